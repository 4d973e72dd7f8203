#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Texts in one buffer, one after another: a list of a million short texts costs little more than
// their characters.
class piecelist {
public:
    void add(std::string_view piece) {
        characters += piece;
        ends.push_back(characters.size());
    }
    std::size_t size() const { return ends.size(); }
    std::string_view operator[](std::size_t i) const {
        std::size_t start = i == 0 ? 0 : ends[i - 1];
        return std::string_view(characters).substr(start, ends[i] - start);
    }

    struct iterator {
        const piecelist* list;
        std::size_t index;
        std::string_view operator*() const { return (*list)[index]; }
        iterator& operator++() {
            index += 1;
            return *this;
        }
        bool operator==(const iterator& other) const { return index == other.index; }
    };
    iterator begin() const { return {this, 0}; }
    iterator end() const { return {this, ends.size()}; }

private:
    std::string characters;
    std::vector<std::size_t> ends;
};

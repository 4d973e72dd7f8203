#include "compiler/warnstate.hpp"

#include <algorithm>

warnfile::warnfile(std::string name, std::string text, bool builtin, int firstline)
    : name(std::move(name)), text(std::move(text)), builtin(builtin), firstline(firstline) {
    linestarts.push_back(0);
    for (std::size_t i = 0; i < this->text.size(); ++i) {
        if (this->text[i] == '\n') linestarts.push_back(i + 1);
    }
}

int warnfile::lineat(std::size_t offset) const {
    auto after = std::upper_bound(linestarts.begin(), linestarts.end(), offset);
    return static_cast<int>(after - linestarts.begin()) + firstline - 1;
}

std::size_t warnfile::columnat(std::size_t offset) const {
    auto after = std::upper_bound(linestarts.begin(), linestarts.end(), offset);
    return offset - *(after - 1);
}

void warnstate::report(std::size_t offset, std::string message) {
    if (file->builtin) return;
    found.push_back({file, file->lineat(offset), file->columnat(offset), std::move(message)});
}

void warnstate::read(const std::string& name, bool global, std::size_t offset, std::string hint) {
    if (!readsrecorded || file->builtin) return;
    reads.push_back({name, global, file, file->lineat(offset), file->columnat(offset), std::move(hint)});
}

std::size_t pieceoffset(const place& where, std::string_view piece) {
    std::size_t found = piece.empty() ? std::string_view::npos : where.raw.find(piece);
    return found == std::string_view::npos ? where.offset : where.offset + found;
}

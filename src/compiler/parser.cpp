#include "compiler/parser.hpp"

#include <iostream>
#include <sstream>

#include "compiler/compileerror.hpp"

namespace {

std::string unclosedmessage(char opener) {
    if (opener == '"' || opener == '\'') return "String is never closed.";
    return std::string("'") + opener + "' is never closed.";
}

}  // namespace

std::vector<std::vector<std::string>> parse(std::string_view target, textorigin origin, segmentstarts* starts) {
    std::vector<std::vector<std::string>> out;
    std::vector<std::string> tout;
    std::string temp;
    // Where the current segment began, where the current statement's segments began, and where the
    // outermost open grouping was opened.
    constexpr std::size_t nowhere = std::string_view::npos;
    std::size_t tempstart = nowhere;
    std::vector<std::size_t> toutstarts;
    std::size_t groupstart = 0;
    auto endsegment = [&](std::size_t at) {
        tout.push_back(std::move(temp));
        temp.clear();
        toutstarts.push_back(tempstart == nowhere ? at : tempstart);
        tempstart = nowhere;
    };
    auto endstatement = [&](std::size_t at) {
        endsegment(at);
        out.push_back(std::move(tout));
        tout.clear();
        if (starts) starts->push_back(std::move(toutstarts));
        toutstarts.clear();
    };
    auto failat = [&](int status, const std::string& usual, const std::string& message, std::size_t at) {
        linecounter lines(target, origin);
        splitterfailure(status, usual, message, lines.at(at));
    };
    int codeblockmarker = 0;
    int listmarker = 0;
    int expressionmarker = 0;
    int string1marker = 0;
    int string2marker = 0;
    int igntotout = 0;
    bool ignspace = false;
    auto sum = [&] {
        return codeblockmarker + listmarker + expressionmarker + string1marker + string2marker + igntotout;
    };

    for (std::size_t at = 0; at < target.size(); ++at) {
        char TS = target[at];
        int markersum = sum();
        if (TS == '\n' && markersum <= 0) {
            endstatement(at);
            ignspace = true;
            continue;
        }

        // An opener met while already inside something is withdrawn again at the end of its character.
        auto raise = [&](int& marker) {
            if (markersum > 0) igntotout += 1;
            marker += 1;
        };
        bool instring = string1marker > 0 || string2marker > 0;
        if (TS == '"' && string1marker <= 0) {
            raise(string1marker);
        } else if (TS == '\'' && string2marker <= 0) {
            raise(string2marker);
        } else if (TS == '[' && !instring && listmarker <= 0) {
            raise(listmarker);
        } else if (TS == '{' && !instring && expressionmarker <= 0) {
            raise(codeblockmarker);
        } else if (TS == '(' && !instring && codeblockmarker <= 0) {
            raise(expressionmarker);
        }

        if (markersum > 0) {
            instring = string1marker > 0 || string2marker > 0;
            if (TS == '}' && !instring && expressionmarker <= 0) {
                if (codeblockmarker <= 0) failat(52, "", "'}' has no '{' to close.", at);
                codeblockmarker -= 1;
            } else if (TS == ')' && !instring && codeblockmarker <= 0) {
                if (expressionmarker <= 0) failat(54, "", "')' has no '(' to close.", at);
                expressionmarker -= 1;
            } else if (TS == '"') {
                string1marker -= 1;
            } else if (TS == '\'') {
                string2marker -= 1;
            } else if (TS == ']') {
                if (listmarker <= 0) std::cerr << "PARSER FAILURE" << std::endl;
                listmarker -= 1;
            }
        }

        if (markersum <= 0 && sum() > 0) groupstart = at;

        bool blank = TS == ' ' || TS == '\t';
        if (ignspace && blank) continue;
        ignspace = false;
        if (temp.empty()) tempstart = at;
        temp += TS;

        if (sum() <= 0) {
            if (blank) {
                temp.pop_back();
                endsegment(at);
            }
        } else if (igntotout > 0) {
            igntotout -= 1;
        }
    }

    endstatement(target.size());
    if (sum() > 0) {
        std::ostringstream usual;
        usual << "parser error, markers over 1, grammatically not valid." << codeblockmarker << "/" << expressionmarker
              << "/" << string1marker << "/" << string2marker << "/" << igntotout << "/" << listmarker << "/";
        failat(51, usual.str(), unclosedmessage(target[groupstart]), groupstart);
    }
    return out;
}

#include "compiler/parser.hpp"

#include <iostream>

#include "common/process.hpp"

std::vector<std::vector<std::string>> parse(std::string_view target) {
    std::vector<std::vector<std::string>> out;
    std::vector<std::string> tout;
    std::string temp;
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

    for (char TS : target) {
        int markersum = sum();
        if (TS == '\n' && markersum <= 0) {
            tout.push_back(std::move(temp));
            out.push_back(std::move(tout));
            temp.clear();
            tout.clear();
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
                if (codeblockmarker <= 0) endprocess(52);
                codeblockmarker -= 1;
            } else if (TS == ')' && !instring && codeblockmarker <= 0) {
                if (expressionmarker <= 0) endprocess(54);
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

        bool blank = TS == ' ' || TS == '\t';
        if (ignspace && blank) continue;
        ignspace = false;
        temp += TS;

        if (sum() <= 0) {
            if (blank) {
                temp.pop_back();
                tout.push_back(std::move(temp));
                temp.clear();
            }
        } else if (igntotout > 0) {
            igntotout -= 1;
        }
    }

    tout.push_back(std::move(temp));
    out.push_back(std::move(tout));
    if (sum() > 0) {
        std::cout << "parser error, markers over 1, grammatically not valid." << std::dec << codeblockmarker << "/"
                  << expressionmarker << "/" << string1marker << "/" << string2marker << "/" << igntotout << "/"
                  << listmarker << "/";
        endprocess(51);
    }
    return out;
}

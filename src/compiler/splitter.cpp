#include "compiler/splitter.hpp"

#include <sstream>

#include "compiler/compileerror.hpp"

namespace {

constexpr std::size_t nowhere = std::string_view::npos;

// Neither a line end, a blank or tab, a quote nor a bracket: a character that changes nothing the
// splitter counts.
bool ordinary(char c) {
    switch (c) {
        case '\n': case ' ': case '\t': case '"': case '\'': case '[': case ']': case '(': case ')': case '{': case '}':
            return false;
        default:
            return true;
    }
}

std::string unclosedmessage(char opener) {
    if (opener == '"' || opener == '\'') return "String is never closed.";
    return std::string("'") + opener + "' is never closed.";
}

}  // namespace

statementsplitter::statementsplitter(std::string_view target, textorigin origin,
                                     std::vector<placedcomplaint>* complaints, std::string_view filetext)
    : target(target), origin(origin), complaints(complaints), filetext(filetext), segmentstart(nowhere) {}

void statementsplitter::failat(int status, const std::string& usual, const std::string& message,
                               std::size_t where) const {
    linecounter lines(target, origin);
    throw splitfailure{status, usual, message, lines.at(where), columnof(filetext, target.data() + where)};
}

int statementsplitter::sum() const {
    return codeblockmarker + listmarker + expressionmarker + string1marker + string2marker + withdrawals;
}

void statementsplitter::endsegment(const segmentsink& each, std::size_t end) {
    std::size_t start = segmentstart == nowhere ? end : segmentstart;
    each(target.substr(start, segmentlength), start);
    segmentstart = nowhere;
    segmentlength = 0;
}

bool statementsplitter::next(const segmentsink& each) {
    if (finished) return false;
    for (; at < target.size(); ++at) {
        char current = target[at];
        int markersum = sum();
        if (ordinary(current)) {
            // Such a character only joins the segment, and withdraws one opener while any is pending:
            // with none pending, its whole run joins at once. Deep bodies are split once per level, so
            // most of a program passes here many times.
            ignspace = false;
            if (segmentlength == 0) segmentstart = at;
            if (markersum > 0 && withdrawals > 0) {
                withdrawals -= 1;
                segmentlength += 1;
                continue;
            }
            std::size_t end = at + 1;
            while (end < target.size() && ordinary(target[end])) end += 1;
            segmentlength += end - at;
            at = end - 1;
            continue;
        }
        if (current == '\n' && markersum <= 0) {
            endsegment(each, at);
            ignspace = true;
            at += 1;
            return true;
        }

        // An opener met while already inside something is withdrawn again at the end of its character.
        auto raise = [&](int& marker) {
            if (markersum > 0) withdrawals += 1;
            marker += 1;
        };
        bool instring = string1marker > 0 || string2marker > 0;
        if (current == '"' && string1marker <= 0) {
            raise(string1marker);
        } else if (current == '\'' && string2marker <= 0) {
            raise(string2marker);
        } else if (current == '[' && !instring && listmarker <= 0) {
            raise(listmarker);
        } else if (current == '{' && !instring && expressionmarker <= 0) {
            raise(codeblockmarker);
        } else if (current == '(' && !instring && codeblockmarker <= 0) {
            raise(expressionmarker);
        }

        if (markersum > 0) {
            instring = string1marker > 0 || string2marker > 0;
            if (current == '}' && !instring && expressionmarker <= 0) {
                if (codeblockmarker <= 0) failat(52, "", "'}' has no '{' to close.", at);
                codeblockmarker -= 1;
            } else if (current == ')' && !instring && codeblockmarker <= 0) {
                if (expressionmarker <= 0) failat(54, "", "')' has no '(' to close.", at);
                expressionmarker -= 1;
            } else if (current == '"') {
                string1marker -= 1;
            } else if (current == '\'') {
                string2marker -= 1;
            } else if (current == ']') {
                if (listmarker <= 0 && complaints) {
                    linecounter lines(target, origin);
                    complaints->push_back({lines.at(at), columnof(filetext, target.data() + at)});
                }
                listmarker -= 1;
            }
        }

        if (markersum <= 0 && sum() > 0) groupstart = at;

        bool blank = current == ' ' || current == '\t';
        if (ignspace && blank) continue;
        ignspace = false;
        // A segment is all of the text from its first character on: blanks are skipped only before it.
        if (segmentlength == 0) segmentstart = at;
        segmentlength += 1;

        if (sum() <= 0) {
            if (blank) {
                segmentlength -= 1;
                endsegment(each, at);
            }
        } else if (withdrawals > 0) {
            withdrawals -= 1;
        }
    }

    endsegment(each, target.size());
    finished = true;
    if (sum() > 0) {
        std::ostringstream usual;
        usual << "parser error, markers over 1, grammatically not valid." << codeblockmarker << "/" << expressionmarker
              << "/" << string1marker << "/" << string2marker << "/" << withdrawals << "/" << listmarker << "/";
        failat(51, usual.str(), unclosedmessage(target[groupstart]), groupstart);
    }
    return true;
}

void checksplit(std::string_view target, textorigin origin, std::vector<placedcomplaint>& complaints,
                std::string_view filetext) {
    statementsplitter splitter(target, origin, &complaints, filetext);
    segmentsink ignore = [](std::string_view, std::size_t) {};
    bool more = true;
    while (more) more = splitter.next(ignore);
}

wholesplit splitwhole(std::string_view target) {
    wholesplit out;
    std::vector<std::string> statement;
    std::vector<std::size_t> statementstarts;
    std::vector<placedcomplaint> complaints;
    statementsplitter splitter(target, {}, &complaints);
    segmentsink collect = [&](std::string_view segment, std::size_t start) {
        statement.emplace_back(segment);
        statementstarts.push_back(start);
    };
    try {
        while (splitter.next(collect)) {
            out.statements.push_back(std::move(statement));
            statement.clear();
            out.starts.push_back(std::move(statementstarts));
            statementstarts.clear();
        }
    } catch (const splitfailure& failure) {
        // A block that does not split has no statements.
        out = {failure.status, failure.message, 0, {}, {}};
    }
    out.complaints = complaints.size();
    return out;
}

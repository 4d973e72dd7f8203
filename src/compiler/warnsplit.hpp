#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "compiler/warnstate.hpp"

// Cuts a block into statements of tokens as the compiler's statement splitter does, each token with
// its place in the current file (`offset` is the block's). On the way it reports a bracket or quote
// character inside a string literal that the splitter counts where that changes how the block
// splits. Throws walkstopped when the block does not split: the compiler reports that.
std::vector<std::vector<token>> splitblock(warnstate& state, std::string_view text, std::size_t offset);

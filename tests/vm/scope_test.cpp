#include "vm/scope.hpp"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "vm/value.hpp"

namespace {

using namespace V4VM;

// Snapshots taken at random and written at random each keep exactly what was written to them, at sizes
// far beyond what a few names would exercise.
TEST(Scope, EveryCopyKeepsItsOwnEntries) {
    nametable names;
    std::vector<vname> keys;
    for (int i = 0; i < 3000; ++i) keys.push_back(names.intern("n" + std::to_string(i)));
    std::vector<variable> values(16);
    std::vector<scope> scopes(1);
    std::vector<std::map<std::size_t, variable*>> models(1);
    std::mt19937 random(8);
    for (int step = 0; step < 60000; ++step) {
        std::size_t at = random() % scopes.size();
        if (step % 500 == 0 && scopes.size() < 24) {
            scopes.push_back(scopes[at]);
            models.push_back(models[at]);
        } else if (step % 700 == 0) {
            std::size_t from = random() % scopes.size();
            scopes[at] = scopes[from];
            models[at] = models[from];
        } else {
            std::size_t key = random() % (step < 30000 ? keys.size() : 40);
            variable* value = &values[random() % values.size()];
            scopes[at].set(keys[key], value);
            models[at][key] = value;
        }
    }
    for (std::size_t at = 0; at < scopes.size(); ++at) {
        // The collector's walk meets every entry, and at most the few that a recent write hides.
        std::size_t count = 0;
        scopes[at].foreachvalue([&](variable*) { ++count; });
        EXPECT_GE(count, models[at].size());
        EXPECT_LE(count, models[at].size() + scope::recentcapacity);
        for (std::size_t key = 0; key < keys.size(); ++key) {
            auto found = models[at].find(key);
            EXPECT_EQ(scopes[at].find(keys[key]), found == models[at].end() ? nullptr : found->second);
        }
    }
}

}  // namespace

// The entry point of a fuzz target built without libFuzzer: it runs every file of the folders (or the
// files) named on the command line once, as libFuzzer would, so that a corpus replays as a test.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<fs::path> inputsin(const fs::path& place) {
    if (fs::is_regular_file(place)) return {place};
    if (!fs::is_directory(place)) {
        std::cerr << "no such corpus: " << place.string() << std::endl;
        return {};
    }
    std::vector<fs::path> inputs;
    for (const fs::directory_entry& entry : fs::directory_iterator(place))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& input : inputsin(argv[i])) {
            std::ifstream file(input, std::ios::binary);
            std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            // Named before it runs: a fault ends the process in the middle of the input.
            std::cerr << "replaying " << input.string() << std::endl;
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            replayed += 1;
        }
    }
    std::cout << replayed << " inputs replayed" << std::endl;
    return replayed == 0 ? 1 : 0;
}

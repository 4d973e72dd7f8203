#include "common/process.hpp"
#include "main/driver.hpp"
#include "main/warnoption.hpp"

int main(int argc, char** argv) {
    if (argc == 3 && iswarnoption(argv[1])) runonlargestack([&] { warnonly(argv[2]); });
    runonlargestack([&] { runvesk(argc, argv); });
    return 0;
}

#include "common/process.hpp"
#include "main/driver.hpp"

int main(int argc, char** argv) {
    runonlargestack([&] { runvesk(argc, argv); });
    return 0;
}

#include <cstdio>
#include <iostream>
#include <new>

#include "common/process.hpp"
#include "main/driver.hpp"

int main(int argc, char** argv) {
    int status = 0;
    runonlargestack([&] {
        try {
            status = runvesk(argc, argv);
        } catch (const processended& ended) {
            status = ended.status;
        } catch (const std::bad_alloc&) {
            // Out of memory in the driver itself, reading the source or listing the program.
            std::cout.flush();
            std::cerr << "vesk: Out of memory." << std::endl;
            status = 1;
        }
    });
    std::cout.flush();
    std::fflush(nullptr);
    return status;
}

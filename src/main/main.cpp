#include <cstdio>
#include <iostream>

#include "common/process.hpp"
#include "main/driver.hpp"

int main(int argc, char** argv) {
    int status = 0;
    runonlargestack([&] {
        try {
            status = runvesk(argc, argv);
        } catch (const processended& ended) {
            status = ended.status;
        }
    });
    std::cout.flush();
    std::fflush(nullptr);
    return status;
}

#include <iostream>

#include "scrpack.h"

int main(int argc, char** argv) {
    scrpack::Args args(argv + 1, argv + argc);
    return scrpack::Main(args, std::cout, std::cerr);
}

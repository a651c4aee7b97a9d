#include <iostream>

#include "companion.h"

int main(int argc, char* argv[]) {
    return beatwright::runCompanion({argv + 1, argv + argc}, std::cout, std::cerr);
}

#include "app/Startup.h"

#include <clocale>

int main(int argc, char **argv) {
    std::setlocale(LC_CTYPE, "");
    return RunProgram(argc, argv);
}

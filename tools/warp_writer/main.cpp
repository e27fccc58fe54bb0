#include "tools/content/WarpWriterCommand.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return WarpWriterCommand::run(arguments, std::cout, std::cerr);
}

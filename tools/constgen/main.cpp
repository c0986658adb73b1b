// constgen: turns the program's texts.txt sources into GBK bytes in one constant segment
// (GNU assembler) and into the headers that declare them. See command_line.h.

#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return constgen::Run(arguments, std::cerr);
}

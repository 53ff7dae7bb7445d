// Pubforge: maintains and publishes bibliographies kept in BibTeX files.
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "driver/driver.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv, argv + argc);
  int status;
  try {
    status = pubforge::runPubforge(args, std::cin, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "ERROR: memory exhausted\n";
    return 1;
  }
  std::cout.flush();
  std::cerr.flush();
  return status;
}

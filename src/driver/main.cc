// Pubforge: maintains and publishes bibliographies kept in BibTeX files.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/run_context.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv, argv + argc);
  // The context holds every publication read.  Taking apart a large
  // bibliography node by node only to end the process costs noticeable time,
  // so the context is left to the end of the process.
  auto ctx = std::make_unique<pubforge::RunContext>(std::cout, std::cerr);
  int status;
  try {
    status = pubforge::runPubforge(args, std::cin, *ctx);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "ERROR: memory exhausted\n";
    return 1;
  }
  std::cout.flush();
  std::cerr.flush();
#if defined(__SANITIZE_ADDRESS__)
  return status;  // the leak checker should see everything freed
#else
  (void)ctx.release();
  std::quick_exit(status);
#endif
}

// Pubforge: maintains and publishes bibliographies kept in BibTeX files.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/line_buffered_output.h"
#include "commands/run_context.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv, argv + argc);
  // Messages go out a line at a time: a large bibliography can bring
  // thousands of warnings, each written in several pieces.
  pubforge::LineBufferedOutput errBuffer(STDERR_FILENO);
  std::ostream err(&errBuffer);
  // The context holds every publication read.  Taking apart a large
  // bibliography node by node only to end the process costs noticeable time,
  // so the context is left to the end of the process.
  auto ctx = std::make_unique<pubforge::RunContext>(std::cout, err);
  // The progress of a URL check is shown in place only where a person
  // watches standard error.
  ctx->options.urlCheck.progressDisplay = isatty(STDERR_FILENO) == 1;
  int status;
  try {
    status = pubforge::runPubforge(args, std::cin, *ctx);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    err << "ERROR: memory exhausted\n";
    err.flush();
    return 1;
  }
  std::cout.flush();
  err.flush();
#if defined(__SANITIZE_ADDRESS__)
  return status;  // the leak checker should see everything freed
#else
  (void)ctx.release();
  std::quick_exit(status);
#endif
}

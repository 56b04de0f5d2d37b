#include <exception>
#include <iostream>
#include <new>

#include "application.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "You must give 2 parameters." << std::endl;
    return 1;
  }
  // The one place that catches what escapes a run: a short line instead of an abort.
  try {
    Application application(argv[1], argv[2]);
    application.run();
  } catch (const std::bad_alloc&) {
    std::cerr << "lossless-join: out of memory" << std::endl;
    return 3;
  } catch (const std::exception& error) {
    std::cerr << "lossless-join: " << error.what() << std::endl;
    return 3;
  } catch (...) {
    std::cerr << "lossless-join: unexpected error" << std::endl;
    return 3;
  }
  return 0;
}

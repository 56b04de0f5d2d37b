#include "warnings.h"

void Warnings::Warn(std::size_t line, const std::string& message) {
  if (++count_ > kLimit) return;
  os_ << "lossless-join: " << fileName_ << ':' << line << ": " << message << std::endl;
}

void Warnings::Finish() {
  if (count_ <= kLimit) return;
  std::size_t hidden = count_ - kLimit;
  os_ << "lossless-join: " << fileName_ << ": " << hidden
      << (hidden == 1 ? " more warning" : " more warnings") << " not shown" << std::endl;
}

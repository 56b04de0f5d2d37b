#include "warnings.h"

void Warnings::Warn(std::size_t line, std::size_t column, const std::string& message) {
  ++count_;
  if (collected_ != nullptr) collected_->push_back({line, column, message});
  if (give_) give_(line, column, message);
  if (os_ == nullptr || count_ > kLimit) return;
  *os_ << fileName_ << ':' << line << ':' << column << ": warning: " << message << std::endl;
}

void Warnings::Finish() {
  if (os_ == nullptr || count_ <= kLimit) return;
  std::size_t hidden = count_ - kLimit;
  *os_ << "lossless-join: " << fileName_ << ": " << hidden
       << (hidden == 1 ? " more warning" : " more warnings") << " not shown" << std::endl;
}

#pragma once

// Reading an input by its name, for the questions that write no output file (--check,
// --implies): a regular file is read as it stands; standard input ("-"), a pipe or a FIFO is
// read whole first.

#include <string>

#include "reader.h"
#include "warnings.h"

// Reads the input named path into parsed, with its warnings to warnings, as ReadInput with
// keepNames and use; false, with why in error ("cannot read the input: No such file or
// directory"), when it cannot be read.
bool ReadInputFile(const std::string& path, bool keepNames, Warnings& warnings, ParsedInput& parsed,
                   std::string& error, DependencyUse use = DependencyUse::kAsWritten);

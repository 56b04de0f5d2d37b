#pragma once

// What the web page asks of the core. Each call takes the input file's text and answers with
// one JSON document, so that the page renders what the command line computes and decides
// nothing itself. A run that cannot be completed answers {"error":"message"}.

#include <string>

// The explanation as --explain=json writes it, and the bytes of the output file that a run
// from files writes: {"explanation":{...},"output_file":"..."}. A tableau of more than 20,000
// cells is not explained: {"explanation":null,"verdict":"lossless"|"lossy","verdict_word":
// "...","cells":N,"warnings":[...],"output_file":"..."}.
std::string PageDecide(const std::string& input);

// The explanation as --explain=latex writes it: {"latex":"..."}.
std::string PageLatex(const std::string& input);

// Whether the input's dependencies imply dependency, as --implies --explain answers it:
// {"answer":"implied"|"not implied"|null,"explanation":"...","message":"..."}, the message
// saying why a dependency that could not be asked about was not answered.
std::string PageImplies(const std::string& input, const std::string& dependency);

#pragma once

// The forms in which --explain writes what the test did.
enum class ExplainFormat {
  kText,   // the textbook notation, as the chase goes
  kJson,   // one JSON document
  kLatex,  // a LaTeX fragment for a plain article
};

#pragma once

// How a run's output comes to replace OUTPUT: whole or not at all. The output is written to
// a temporary file beside OUTPUT and renamed over it only when complete, so that a run that
// fails, or is killed, leaves an existing OUTPUT as it was. What is not a regular file (a
// device, a FIFO, standard output) is written in place, through one stream opened once.

#include <string>

// Whether path names standard output: "-", or a path to the file that standard output is.
bool NamesStandardOutput(const char* path);

class OutputFile {
 public:
  enum class Kind {
    kStandardOutput,  // "-": written to standard output
    kStream,          // a device or a FIFO: opened once and written in place
    kReplace,         // written to a temporary file, renamed over the output at the end
    kInPlace,         // a regular file whose folder takes no new file: truncated and written
  };

  // Decides how the output named path is written, and creates its temporary file when it
  // has one. Nothing else is touched.
  explicit OutputFile(const char* path);
  // Removes the temporary file of an output that was not committed.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  Kind GetKind() const { return kind_; }
  // Whether the output is written through one stream, opened once.
  bool IsStream() const { return kind_ == Kind::kStandardOutput || kind_ == Kind::kStream; }
  // The file to write: the temporary file, or the output itself.
  const std::string& WritePath() const { return writePath_; }

  // Makes what was written to the temporary file the output: syncs it to the disk, gives it
  // the permission bits of the output it replaces, and renames it over the output. On
  // failure the output is as it was, the temporary file is removed, and what and reason say
  // what failed. Nothing to do for the other kinds.
  bool Commit(std::string& what, std::string& reason);

 private:
  void Discard();

  Kind kind_ = Kind::kInPlace;
  std::string target_;     // the file that the output replaces: OUTPUT, or where its link points
  std::string writePath_;  // the file written during the run
  int fd_ = -1;            // the temporary file, kept open to be synced
  bool existed_ = false;   // whether the target existed, with mode_ its permission bits
  unsigned mode_ = 0;
  unsigned owner_ = 0;
  unsigned group_ = 0;
};

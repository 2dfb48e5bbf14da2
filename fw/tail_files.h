// The files "Datei verfolgen" reads, as the platform opens them: with full
// sharing, so that the writer may append, rename, truncate and delete a file
// while it is read; a folder and a device are named as such.
#pragma once

#include <string>

#include "sources/file_tail.h"

namespace fw {

class TailFiles : public ploxen::TailFiles {
 public:
  Opened Open(const std::string& name) override;
};

}  // namespace fw

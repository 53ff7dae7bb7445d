#include "writers/export_files.h"

#include "writers/key_paths.h"

namespace pubforge {

namespace {

void reportCreateFailure(const ExportFormat& format, Diagnostics diag, const std::string& name) {
  diag.error("Unable to create ", format.name, " file ", name);
}

// Finishes a file and reports what went wrong; true when it was written.
bool finishFile(OutputFile& file, const std::string& name, const ExportFormat& format,
                Diagnostics diag) {
  switch (file.finish()) {
    case OutputFile::Result::kWritten:
      return true;
    case OutputFile::Result::kCreateFailed:
      reportCreateFailure(format, diag, name);
      return false;
    case OutputFile::Result::kWriteFailed:
      diag.error("Unable to write ", format.name, " file ", name);
      return false;
  }
  return false;
}

bool exportToOneFile(const PublicationSet& set, const std::string& fileName,
                     const ExportFormat& format, Diagnostics diag) {
  OutputFile file;
  if (!file.open(fileName)) {
    reportCreateFailure(format, diag, fileName);
    return false;
  }
  OutputBuffer& out = file.buffer();
  out += format.fileStart;
  for (const Node* publication : set) {
    format.appendPublication(out, *publication);
    file.flushIfFull();
  }
  out += format.fileEnd;
  return finishFile(file, fileName, format, diag);
}

bool exportToSeparateFiles(const PublicationSet& set, const std::string& prefix,
                           const ExportFormat& format, Diagnostics diag) {
  OutputFile file;
  for (const Node* publication : set) {
    if (!publication->isEntry()) continue;
    std::string name = prefix + publication->keyword;
    name += format.extension;
    // A key may hold "/" (every DBLP key does): the folders it adds below
    // the prefix's folder are made, the prefix's own folder is not.
    if (keyLeavesFolder(publication->keyword) ||
        !createKeyFolders(prefix, publication->keyword) || !file.open(name)) {
      reportCreateFailure(format, diag, name);
      return false;
    }
    file.buffer() += format.fileStart;
    format.appendPublication(file.buffer(), *publication);
    file.buffer() += format.fileEnd;
    if (!finishFile(file, name, format, diag)) return false;
  }
  return true;
}

}  // namespace

bool exportPublications(const PublicationSet& set, const std::string& fileName,
                        bool separateFiles, const ExportFormat& format, Diagnostics diag) {
  if (separateFiles) return exportToSeparateFiles(set, fileName, format, diag);
  return exportToOneFile(set, fileName, format, diag);
}

}  // namespace pubforge

#include "standins/spooler/request_store.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "support/platform/file_create.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/win_error.h"

namespace standin {

std::string IdText(const qtl::RequestHeader& header) {
  std::size_t length = 0;
  while (length < qtl::kIdFieldSize && header.id[length] != '\0') ++length;
  return std::string(header.id, length);
}

std::string EscapedText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F || c == '\\') {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out += escape;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string RequestStore::NumberText(uint32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "%06u", number);
  return text;
}

bool RequestStore::Prepare(std::string& error) {
  try {
    if (platform::ForceDirectories(folder_)) return true;
  } catch (const platform::InOutError& e) {
    error = e.what();
    return false;
  }
  error = "cannot create " + folder_ + ", error " + std::to_string(platform::GetLastError());
  return false;
}

bool RequestStore::CreateBody(platform::FileHandle& body, uint32_t& number) {
  // Numbers already taken (a folder reused from an earlier run) are skipped.
  for (int attempt = 0; attempt < 1000000; ++attempt) {
    number = next_.fetch_add(1);
    const std::string path = platform::JoinPath(folder_, NumberText(number) + ".body");
    if (platform::CreateNewFile(path, body, 0644)) return true;
    if (platform::GetLastError() != platform::kErrorFileExists) return false;
  }
  return false;
}

std::string HeaderFileText(const ReceivedRequest& request) {
  const std::string id = IdText(request.header);
  std::string hex;
  for (unsigned char c : id) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", c);
    hex += pair;
  }
  std::string text;
  text += "command=" + std::to_string(request.header.command) + "\n";
  // The id is the client's bytes: escaped, a line break in it cannot start a
  // line of its own (id_hex below keeps the exact bytes).
  text += "id=" + EscapedText(id) + "\n";
  text += "length=" + std::to_string(request.header.length) + "\n";
  text += "timeout=" + std::to_string(request.header.timeout) + "\n";
  text += "stationId=" + std::to_string(request.header.stationId) + "\n";
  text += "requestId=" + std::to_string(request.header.requestId) + "\n";
  text += "id_hex=" + hex + "\n";
  text += "received=" + std::to_string(request.received) + "\n";
  text += "complete=" + std::string(request.complete ? "1" : "0") + "\n";
  if (request.complete) text += "status=" + std::to_string(request.status) + "\n";
  return text;
}

bool RequestStore::PublishHeader(uint32_t number, const ReceivedRequest& request) {
  const std::string text = HeaderFileText(request);
  // Written under a hidden name and renamed, so a reader never sees a part.
  // No flush to disk: the stand-in serves tests and demonstrations.
  const std::string finalPath = platform::JoinPath(folder_, NumberText(number) + ".header");
  const std::string tempPath = platform::JoinPath(folder_, "." + NumberText(number) + ".header.tmp");
  platform::FileHandle file;
  if (!platform::CreateAlwaysFile(tempPath, file, 0644)) return false;
  const bool written = platform::WriteAll(file.get(), text.data(), text.size());
  if (!file.Close() || !written) {
    platform::DeleteFile(tempPath);
    return false;
  }
  std::error_code error;
  std::filesystem::rename(tempPath, finalPath, error);
  if (error) {
    platform::DeleteFile(tempPath);
    return false;
  }
  return true;
}

}  // namespace standin

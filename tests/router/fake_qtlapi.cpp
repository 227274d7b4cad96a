// A stand-in for the client library in the router's tests: exports
// _maicomm3, appends each call's eight arguments (and what the input file
// held at that moment) as one line to the file named by ROUTER_FAKE_CALLS,
// and returns ROUTER_FAKE_RESULT (default -13, what the real library returns
// for a sent job whose reply nobody asked for), or -5 when the input file
// cannot be read, as the real library does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

extern "C" __attribute__((visibility("default"))) int32_t _maicomm3(const char* stringId, const char* server,
                                                                    const void* input, int32_t inlen, char* output,
                                                                    int32_t* bufsize, int32_t timeout,
                                                                    int32_t exCommand) {
  const char* inputPath = static_cast<const char*>(input);
  std::error_code error;
  long long inputSize = -1;
  if (inputPath != nullptr && std::filesystem::is_regular_file(inputPath, error)) {
    inputSize = static_cast<long long>(std::filesystem::file_size(inputPath, error));
  }
  const char* resultText = std::getenv("ROUTER_FAKE_RESULT");
  int32_t result = resultText != nullptr ? static_cast<int32_t>(std::atoi(resultText)) : -13;
  if (inputSize < 0) result = -5;

  std::string line;
  line += stringId != nullptr ? stringId : "(null)";
  line += '\t';
  line += server != nullptr ? server : "(null)";
  line += '\t';
  line += inputPath != nullptr ? inputPath : "(null)";
  line += '\t' + std::to_string(inlen);
  line += '\t';
  line += output == nullptr ? "null" : "buffer";
  line += '\t';
  line += bufsize == nullptr ? "null" : std::to_string(*bufsize);
  line += '\t' + std::to_string(timeout) + '\t' + std::to_string(exCommand) + '\t' + std::to_string(inputSize) + '\n';

  if (const char* callsPath = std::getenv("ROUTER_FAKE_CALLS")) {
    if (std::FILE* calls = std::fopen(callsPath, "a")) {
      std::setvbuf(calls, nullptr, _IOFBF, line.size() + 1);
      std::fwrite(line.data(), 1, line.size(), calls);
      std::fclose(calls);
    }
  }
  return result;
}

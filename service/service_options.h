#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// What the command line of the local conversion service asks for.
struct ServiceOptions {
  std::uint16_t port = 0;                      // on 127.0.0.1; 0 lets the system choose
  std::string mediaDir;                        // holds ID.mp4 for every video ID it serves
  std::map<std::string, std::string> answers;  // ID -> literal query answer
  std::uint64_t rate = 0;                      // media bodies' bytes per second; 0: unthrottled
};

// The port of "127.0.0.1:PORT", "localhost:PORT" or "PORT". Any other host is
// refused: the service only ever listens on the loopback address.
std::optional<std::uint16_t> ParseListenAddress(std::string_view address);

// The port part of a "host[:port]" text, 80 when it names none.
std::optional<std::uint16_t> PortOfHost(std::string_view hostAndPort);

// A positive number of bytes per second, digits only.
std::optional<std::uint64_t> ParseRate(std::string_view digits);

// "ID=TEXT" split at its first "="; TEXT may be empty, ID may not.
std::optional<std::pair<std::string, std::string>> ParseAnswer(std::string_view option);

// Fills `options` from the command line, starting from the compiled-in
// defaults. On a usage error returns false with `error` set.
bool ParseServiceOptions(int argc, char** argv, ServiceOptions& options, std::string& error);

#include "service/service_options.h"

#include <charconv>
#include <memory>

#include "service/glib_handles.h"

namespace {

std::optional<std::uint16_t> ParsePort(std::string_view digits) {
  unsigned value = 0;
  const char* end = digits.data() + digits.size();
  auto [stop, failure] = std::from_chars(digits.data(), end, value);
  if (digits.empty() || failure != std::errc() || stop != end || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

struct GOptionContextFree {
  void operator()(GOptionContext* context) const { g_option_context_free(context); }
};

struct GStrvFree {
  void operator()(char** strings) const { g_strfreev(strings); }
};

}  // namespace

std::optional<std::uint16_t> ParseListenAddress(std::string_view address) {
  const auto colon = address.rfind(':');
  if (colon == std::string_view::npos) return ParsePort(address);
  const std::string_view host = address.substr(0, colon);
  if (host != "127.0.0.1" && host != "localhost") return std::nullopt;
  return ParsePort(address.substr(colon + 1));
}

std::optional<std::uint16_t> PortOfHost(std::string_view hostAndPort) {
  const auto colon = hostAndPort.rfind(':');
  if (colon == std::string_view::npos) return 80;
  return ParsePort(hostAndPort.substr(colon + 1));
}

std::optional<std::pair<std::string, std::string>> ParseAnswer(std::string_view option) {
  const auto equals = option.find('=');
  if (equals == std::string_view::npos || equals == 0) return std::nullopt;
  return std::pair{std::string(option.substr(0, equals)), std::string(option.substr(equals + 1))};
}

std::optional<std::uint64_t> ParseRate(std::string_view digits) {
  std::uint64_t value = 0;
  const char* end = digits.data() + digits.size();
  auto [stop, failure] = std::from_chars(digits.data(), end, value);
  if (digits.empty() || failure != std::errc() || stop != end || value == 0) return std::nullopt;
  return value;
}

bool ParseServiceOptions(int argc, char** argv, ServiceOptions& options, std::string& error) {
  gchar* listen = nullptr;
  gchar* media = nullptr;
  gchar* rate = nullptr;
  gchar** answers = nullptr;
  const GOptionEntry entries[] = {
      {"listen", 0, 0, G_OPTION_ARG_STRING, &listen,
       "Listen on 127.0.0.1:PORT (port 0: any free port, printed on stdout)", "127.0.0.1:PORT"},
      {"media", 0, 0, G_OPTION_ARG_FILENAME, &media, "Serve DIR/ID.mp4 for video ID", "DIR"},
      {"answer", 0, 0, G_OPTION_ARG_STRING_ARRAY, &answers,
       "Answer the query for ID with TEXT as it stands (repeatable)", "ID=TEXT"},
      {"rate", 0, 0, G_OPTION_ARG_STRING, &rate, "Send media bodies at about BYTES a second (default: at once)",
       "BYTES"},
      {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};

  std::unique_ptr<GOptionContext, GOptionContextFree> context(
      g_option_context_new("- local stand-in for the video conversion service"));
  g_option_context_add_main_entries(context.get(), entries, nullptr);
  GError* rawError = nullptr;
  const bool parsed = g_option_context_parse(context.get(), &argc, &argv, &rawError);
  GCharPtr listenText(listen);
  GCharPtr mediaText(media);
  GCharPtr rateText(rate);
  std::unique_ptr<char*, GStrvFree> answerTexts(answers);
  if (!parsed) {
    GErrorPtr failure(rawError);
    error = failure->message;
    return false;
  }
  if (argc > 1) {
    error = std::string("unexpected argument: ") + argv[1];
    return false;
  }

  const std::string_view listenAddress = listenText ? listenText.get() : YT_SERVICE_HOST;
  const auto port = listenText ? ParseListenAddress(listenAddress) : PortOfHost(listenAddress);
  if (!port) {
    error = "--listen takes 127.0.0.1:PORT, got " + std::string(listenAddress);
    return false;
  }
  options.port = *port;
  options.mediaDir = mediaText ? mediaText.get() : YT_SERVICE_MEDIA_DIR;
  if (rateText) {
    const auto bytesPerSecond = ParseRate(rateText.get());
    if (!bytesPerSecond) {
      error = "--rate takes a number of bytes per second above 0, got " + std::string(rateText.get());
      return false;
    }
    options.rate = *bytesPerSecond;
  }
  for (char** answer = answerTexts.get(); answer && *answer; ++answer) {
    auto parsedAnswer = ParseAnswer(*answer);
    if (!parsedAnswer) {
      error = std::string("--answer takes ID=TEXT, got ") + *answer;
      return false;
    }
    options.answers.insert_or_assign(std::move(parsedAnswer->first), std::move(parsedAnswer->second));
  }
  return true;
}

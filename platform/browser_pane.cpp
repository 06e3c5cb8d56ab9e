#include "platform/browser_pane.h"

#include <webkit2/webkit2.h>

#include <chrono>
#include <string_view>

#include "platform/control_kinds.h"
#include "platform/control_registry.h"
#include "platform/events.h"
#include "platform/glib_handles.h"
#include "platform/ui_thread.h"
#include "text/pause.h"

namespace {

// A web process that never starts must not keep the window from working;
// a healthy one finishes the blank page in well under a second.
constexpr auto READINESS_LIMIT = std::chrono::seconds(30);

constexpr char PANE_KEY[] = "pane-state";

struct PaneState {
  int32_t number;
  bool ready = false;
};

void DeletePaneState(gpointer state) { delete static_cast<PaneState*>(state); }

PaneState* StateOf(gpointer view) { return static_cast<PaneState*>(g_object_get_data(G_OBJECT(view), PANE_KEY)); }

void RaisePaneEvent(gpointer view) {
  const PaneState* state = StateOf(view);
  if (state != nullptr && state->ready && !ControlEventsMuted()) QueueEvent(EVENT_CONTROL, state->number);
}

void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent loadEvent, gpointer) {
  PaneState* state = StateOf(view);
  if (state == nullptr) return;
  if (!state->ready) {
    // The first complete document is the blank page: from now on the pane is
    // ready and reports its loads.
    if (loadEvent == WEBKIT_LOAD_FINISHED) state->ready = true;
    return;
  }
  RaisePaneEvent(view);
}

void OnPaneChange(GObject* view, GParamSpec*, gpointer) { RaisePaneEvent(view); }

void OnMouseTargetChanged(WebKitWebView* view, WebKitHitTestResult*, guint, gpointer) { RaisePaneEvent(view); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && g_ascii_strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace

void OpenInBrowserPane(GtkWidget* widget, const Text& address) {
  if (address.empty()) return;
  WebKitWebView* view = WEBKIT_WEB_VIEW(widget);
  const std::string& text = address.str();
  if (StartsWithNoCase(text, "about:") && g_ascii_strcasecmp(text.c_str(), "about:blank") != 0) {
    // "about:" followed by a page: the rest is the page's HTML.
    webkit_web_view_load_html(view, text.c_str() + 6, nullptr);
    return;
  }
  if (text[0] == '/' || g_uri_peek_scheme(text.c_str()) == nullptr) {
    // A local file path (a relative one counts from the current folder).
    GObjectPtr<GFile> file(g_file_new_for_path(text.c_str()));
    GCharPtr uri(g_file_get_uri(file.get()));
    webkit_web_view_load_uri(view, uri.get());
    return;
  }
  webkit_web_view_load_uri(view, text.c_str());
}

Text BrowserPaneText(GtkWidget* view) {
  const gchar* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(view));
  return Text(uri ? uri : "");
}

bool CreateBrowserPane(int32_t number, Rect box, const Text& initialAddress) {
  // Starting the browser component takes a while (it launches its helper
  // processes): let the window draw what it already has first.
  for (int round = 0; round < 100 && PumpUiOnce(false); ++round) {
  }
  GObjectPtr<WebKitSettings> settings(webkit_settings_new());
  // Without a GPU the accelerated compositor only costs memory (about 50 MB
  // in the web process here); software rendering still plays video.
  webkit_settings_set_hardware_acceleration_policy(settings.get(), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  GtkWidget* view = webkit_web_view_new_with_settings(settings.get());
  if (!AddControl(number, ControlKind::BrowserPane, view, box, false)) return false;

  auto* state = new PaneState{number};
  g_object_set_data_full(G_OBJECT(view), PANE_KEY, state, DeletePaneState);
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), nullptr);
  g_signal_connect(view, "notify::title", G_CALLBACK(OnPaneChange), nullptr);
  g_signal_connect(view, "notify::estimated-load-progress", G_CALLBACK(OnPaneChange), nullptr);
  g_signal_connect(view, "mouse-target-changed", G_CALLBACK(OnMouseTargetChanged), nullptr);

  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), "about:blank");
  const auto deadline = std::chrono::steady_clock::now() + READINESS_LIMIT;
  while (!state->ready && std::chrono::steady_clock::now() < deadline) {
    if (!PumpUiOnce(false)) Pause(1);
  }
  state->ready = true;
  OpenInBrowserPane(view, initialAddress);
  return true;
}

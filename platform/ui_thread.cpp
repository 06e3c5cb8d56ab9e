#include "platform/ui_thread.h"

#include <gtk/gtk.h>

#include <future>
#include <memory>
#include <thread>

namespace {

std::thread::id uiThread;

struct PostedTask {
  std::function<void()> task;
};

gboolean RunPostedTask(gpointer data) {
  static_cast<PostedTask*>(data)->task();
  return G_SOURCE_REMOVE;
}

void DeletePostedTask(gpointer data) { delete static_cast<PostedTask*>(data); }

}  // namespace

bool InitUiThread() {
  // Placing a window and reading its frame need X11; under Wayland GTK then
  // runs through XWayland.
  gdk_set_allowed_backends("x11,*");
  if (!gtk_init_check(nullptr, nullptr)) return false;
  uiThread = std::this_thread::get_id();
  return true;
}

bool OnUiThread() { return uiThread != std::thread::id() && std::this_thread::get_id() == uiThread; }

void PostToUiThread(std::function<void()> task) {
  // An idle source on the default context always runs on the thread that
  // iterates that context, the UI thread. g_main_context_invoke would instead
  // run the task on the calling thread whenever the UI thread happens not to
  // hold the context at that moment.
  // At idle priority, so that a busy worker cannot starve input, drawing or
  // the browser component's own messages.
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, RunPostedTask, new PostedTask{std::move(task)}, DeletePostedTask);
}

void RunOnUiThreadAndWait(std::function<void()> task) {
  if (OnUiThread()) {
    task();
    return;
  }
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  PostToUiThread([task = std::move(task), done] {
    task();
    done->set_value();
  });
  finished.wait();
}

bool PumpUiOnce(bool mayBlock) { return g_main_context_iteration(nullptr, mayBlock) != FALSE; }

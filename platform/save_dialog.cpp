#include "platform/save_dialog.h"

#include <gtk/gtk.h>

#include <cstring>
#include <future>
#include <memory>

#include "platform/glib_handles.h"
#include "platform/main_window_access.h"
#include "platform/ui_thread.h"

namespace {

// One dialog's answer; given exactly once, at the latest when the dialog is
// destroyed, so that the waiting thread is never left behind.
struct Request {
  std::promise<Text> answer;
  bool answered = false;

  void Answer(const Text& path) {
    if (answered) return;
    answered = true;
    answer.set_value(path);
  }
  ~Request() { Answer(Text()); }
};

void DeleteRequest(gpointer request, GClosure*) { delete static_cast<Request*>(request); }

gboolean IsMp4Name(const GtkFileFilterInfo* info, gpointer) {
  if (info->display_name == nullptr) return FALSE;
  const gsize length = strlen(info->display_name);
  return length >= 4 && g_ascii_strcasecmp(info->display_name + length - 4, ".mp4") == 0;
}

bool InExistingFolder(const char* path) {
  GCharPtr folder(g_path_get_dirname(path));
  return g_file_test(folder.get(), G_FILE_TEST_IS_DIR);
}

void OnResponse(GtkDialog* dialog, gint response, gpointer data) {
  auto* request = static_cast<Request*>(data);
  if (response == GTK_RESPONSE_ACCEPT) {
    GCharPtr path(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)));
    if (path == nullptr || !InExistingFolder(path.get())) return;  // the dialog stays for another name
    request->Answer(Text(path.get()));
  } else {
    request->Answer(Text());
  }
  gtk_widget_destroy(GTK_WIDGET(dialog));
}

void ShowSaveDialog(const Text& title, const Text& typeName, std::unique_ptr<Request> request) {
  GtkWindow* main = MainWindow();
  GtkWindow* owner = (main != nullptr && gtk_window_is_active(main)) ? main : nullptr;
  GtkWidget* dialog = gtk_file_chooser_dialog_new(title.c_str(), owner, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                                  GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_window_set_modal(GTK_WINDOW(dialog), owner != nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_select_multiple(chooser, FALSE);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);

  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, typeName.c_str());
  gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, IsMp4Name, nullptr, nullptr);
  gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes the floating reference
  gtk_file_chooser_set_filter(chooser, filter);

  // Shown without a nested loop: the answer comes through "response".
  g_signal_connect_data(dialog, "response", G_CALLBACK(OnResponse), request.release(), DeleteRequest,
                        static_cast<GConnectFlags>(0));
  gtk_widget_show(dialog);
  gtk_window_present(GTK_WINDOW(dialog));
}

}  // namespace

Text ChooseSaveFileName(const Text& title, const Text& typeName) {
  if (OnUiThread()) return Text();  // waiting here would stop the loop that runs the dialog
  auto request = std::make_shared<std::unique_ptr<Request>>(std::make_unique<Request>());
  std::future<Text> path = (*request)->answer.get_future();
  PostToUiThread([title, typeName, request] { ShowSaveDialog(title, typeName, std::move(*request)); });
  return path.get();
}

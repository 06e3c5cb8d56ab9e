#pragma once

// What the buttons do. Both run on the UI thread and return at once.

// Copies the field's text into videoId and starts a download worker thread.
void DownloadCommand();

// Hands the folder of the latest download to the desktop.
void OpenFolderCommand();

#include "app/application.h"

#include <unistd.h>

// Replaced by the real shell.
void RunApplication() { EndApplication(); }
void EndApplication() { _exit(0); }

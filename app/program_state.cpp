#include "app/program_state.h"

SharedText videoId;
SharedText savePath;

#pragma once

#include <functional>

// Called by the file walks between chunks, e.g. to let a user interface
// process its pending events while a long walk runs on its thread.
using TKeepResponsive = std::function<void()>;

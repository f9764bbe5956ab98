#pragma once
// The schedule window ("Task Scheduler") in Win32, over
// schedule::ScheduleWindowLogic and the given task scheduler.

#include <windows.h>

#include "schedule/TaskScheduler.h"
#include "session/MainSession.h"

namespace win32 {

void ShowScheduleWindow(session::MainSession& session, schedule::TaskScheduler& scheduler, HWND owner);

}  // namespace win32

#pragma once
// Everything a window is built from, for the code that lays one out: the form and the controls
// and components it holds. This header only gathers theirs.
//
// How the window's headers depend on each other: component.h is the root, which form.h and every
// control header include (image.h also graphics.h), application.h includes component.h and
// form.h, and this header gathers form.h and the control headers; dispatch.h and messages.h
// include no toolkit header and no header includes them: only the .cpp files that raise events
// or show boxes do.

#include "buttons.h"
#include "component.h"
#include "form.h"
#include "image.h"
#include "labels.h"
#include "open_dialog.h"
#include "scroll_bar.h"

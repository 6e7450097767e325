// Window sizes that suit the window managers: a title never cut short, and no resize handle
// or maximise button on a window whose controls have one size.
#pragma once

#include <QString>

class QWidget;

// The width a window needs for its title bar to show `title` whole: the title in a bold
// font a step larger than the application's (window managers draw titles so), and room for
// the window's icon and up to four buttons beside it.
int TitleBarWidth(const QString& title);

// Fixes `window` at its layout's size, widened to TitleBarWidth of its title. A window of
// fixed size gets neither a resize handle along its bottom edge nor a maximise button.
void FixSizeToContent(QWidget& window);

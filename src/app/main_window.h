// The main window: menu, the 3-D view at the left of the client area and the
// panel at its right; mouse presses in the view pick and drag, the menu sets
// display and camera flags, closing asks first.
#pragma once

#include <QMainWindow>

#include "platform/hwnd.h"

class GLView;

constexpr int kClientWidth = 1040;
constexpr int kClientHeight = 640;

class MainWindow final : public QMainWindow {
public:
    MainWindow();
    GLView* View() const { return view_; }
    QWidget* Panel() const { return panel_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    GLView* view_ = nullptr;
    QWidget* panel_ = nullptr;
};

// What the window does with each message, callable on their own.
void OnCommand(HWND window, int id);            // a menu command
void OnLButtonDown(HWND window, int x, int y);  // focus, pick at client (x, y), start a drag
void OnLButtonUp();
void OnRButtonDblClk();     // camera angles back to their start
bool OnClose(HWND window);  // true when the user agreed to close

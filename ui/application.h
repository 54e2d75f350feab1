#pragma once

#include <QApplication>

/// The application object: an exception that escapes an event handler is shown in a critical
/// message box captioned with the application title, and the event loop goes on.
class TSigApplication : public QApplication
{
public:
    TSigApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

/// Shows the text of an escaped exception in the critical message box.
void ShowException(const std::exception_ptr &error);

#pragma once

#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// An X server of the test's own (Xvfb of a chosen size) with the openbox window manager, for tests
// that change the monitors or take the display away. Starting it points this process's DISPLAY at
// it, so that the test's connections and the programs it starts use it.
class PrivateDesktop {
public:
    ~PrivateDesktop();
    bool start(QSize size);
    // The monitors, as xrandr --setmonitor geometries "WxH+X+Y"; the first one listed is primary.
    bool setMonitors(const QStringList& geometries);
    // A geometry "WxH+X+Y" as a rectangle.
    static QRect geometry(const QString& text);
    // The display goes away under whoever uses it.
    void killServer();

private:
    bool managesWindows();

    QTemporaryDir m_work;
    QProcess m_server;
    QProcess m_manager;
    QStringList m_monitors;
};

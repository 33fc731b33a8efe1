#pragma once

#include "platform/Bundle.h"
#include "platform/Workspace.h"

#include <QMap>
#include <QStringList>

// A bundle with whatever Info values, guide and identity a test gives it.
class FakeBundle final : public Bundle {
public:
    QVariantMap info;
    std::optional<QString> guide;
    std::optional<QString> identifier;

    std::optional<QVariant> infoValue(const QString& key) const override
    {
        return info.contains(key) ? std::optional<QVariant>(info.value(key)) : std::nullopt;
    }
    std::optional<QString> resourcePath(const QString& name, const QString& extension) const override
    {
        return name == QStringLiteral("Panedeck-Guide") && extension == QStringLiteral("html") ? guide
                                                                                               : std::nullopt;
    }
    std::optional<QString> bundleIdentifier() const override { return identifier; }
};

// A workspace that records what it was asked to open and lists what the test put in.
class FakeWorkspace final : public Workspace {
public:
    bool openResult = true;
    QStringList opened;
    QList<RunningApplication> applications;
    QMap<QString, QList<RunningProcess>> processes; // by bundle identifier

    bool openPath(const QString& path) override
    {
        opened.append(path);
        return openResult;
    }
    bool openApplication(const QString& path) override
    {
        opened.append(QStringLiteral("app:") + path);
        return openResult;
    }
    QList<RunningApplication> runningApplications() override { return applications; }
    QList<RunningProcess> runningProcesses(const QString& bundleIdentifier) override
    {
        return processes.value(bundleIdentifier);
    }
};

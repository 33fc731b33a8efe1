#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

// `panedeck toggle`: the running copy listens on a local socket of its user and support folder (the
// socket file is the user's alone), and a request is the one short line "toggle".
namespace ToggleChannel {

// In the user's runtime folder when there is one, else the temporary folder; named after the user and
// the support folder, so a copy of another user or support folder is never reached.
QString socketPath(const QString& supportFolder);

// Asks the copy running over `supportFolder`; false when none answers.
bool request(const QString& supportFolder);

// The running copy's side: `toggle` runs on the main thread for each request. Stops with the object.
class Listener final : public QObject {
public:
    Listener(const QString& supportFolder, std::function<void()> toggle);
    ~Listener() override;
    bool isListening() const;

private:
    std::unique_ptr<QLocalServer> m_server;
    std::function<void()> m_toggle;
};

} // namespace ToggleChannel

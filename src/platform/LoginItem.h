#pragma once

#include <QString>

// Starting the resident application when the user logs in, kept where the desktop keeps it.
class LoginItem {
public:
    enum class Status {
        off,
        on,
        requiresApproval, // registered, waiting for the user's approval in the system's settings
        programMissing,   // registered for a program that is no longer there
    };
    virtual ~LoginItem() = default;
    virtual Status status() = 0;
    // False, with the reason in `error`, when it could not be switched.
    virtual bool setEnabled(bool enabled, QString* error) = 0;
};

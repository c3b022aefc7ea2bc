// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <functional>
#include <string>

struct AppSettings;

// The master server an Update or a player search asks: the setting, or the chosen flavour's
// default when it is empty.
std::string MasterServerText(const AppSettings& settings);

// Finds the address of the master server from its setting: a dotted address (with or without a
// port) is taken as it is; otherwise the name before a colon is looked up without blocking the
// window. The port is the number after a colon, or the masters' default port. A newer Start or
// a Cancel drops the answer of a lookup still running.
class CMasterLookup : public QObject {
    Q_OBJECT
public:
    using Found = std::function<void(const std::string& host, int port)>;
    using NotFound = std::function<void()>;

    explicit CMasterLookup(QObject* parent = nullptr) : QObject(parent) {}
    ~CMasterLookup() override { Cancel(); }

    // found runs at once for a dotted address, later for a name that resolves; notFound runs
    // once a name is known not to resolve. Neither runs after Cancel or a newer Start.
    void Start(const std::string& settingText, Found found, NotFound notFound);
    void Cancel();
    bool running() const { return lookupId_ >= 0; }

private:
    int request_ = 0;
    int lookupId_ = -1; // the QHostInfo lookup running, -1 when none
};

// SPDX-License-Identifier: GPL-3.0-or-later
// simserver CONFIG [--port-base N | --any-port] [--verbose]
// Runs the game servers and masters of CONFIG on 127.0.0.1 until killed.
#include "sim_farm.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

const char kUsage[] =
    "usage: simserver CONFIG [--port-base N | --any-port] [--verbose]\n"
    "  Runs the game servers, master servers and Web APIs described by CONFIG on 127.0.0.1 until\n"
    "  killed.\n"
    "  --port-base N  move every configured port so that the lowest becomes N\n"
    "  --any-port     bind every server and master to a free port instead\n"
    "  --verbose      print every datagram received\n"
    "  On start it prints one line per master, Web API and server with its address, then \"ready\".\n";

std::string Flags(const sim::SimBehaviour& b)
{
    std::string out;
    if (b.silent)
        out += " silent";
    if (b.pingOnly)
        out += " ping-only";
    if (b.delayMs > 0)
        out += " delay=" + std::to_string(b.delayMs);
    if (b.wrongHeader)
        out += " wrong-header";
    if (b.truncateAfter > 0)
        out += " truncate=" + std::to_string(b.truncateAfter);
    if (b.duplicate)
        out += " duplicate";
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string configPath;
    int portBase = 0;
    bool anyPort = false;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--port-base" && i + 1 < argc) {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 1 || value > 65535) {
                std::cerr << "simserver: --port-base needs a port number\n";
                return 2;
            }
            portBase = static_cast<int>(value);
        } else if (arg == "--any-port") {
            anyPort = true;
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (!arg.empty() && arg[0] != '-' && configPath.empty()) {
            configPath = arg;
        } else {
            std::cerr << "simserver: unexpected argument '" << arg << "'\n" << kUsage;
            return 2;
        }
    }
    if (configPath.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    if (anyPort && portBase != 0) {
        std::cerr << "simserver: --port-base and --any-port exclude each other\n";
        return 2;
    }

    sim::SimFarmConfig config;
    std::string error;
    if (!sim::LoadFarmConfigFile(configPath, config, &error)) {
        std::cerr << "simserver: " << error << "\n";
        return 1;
    }
    if (anyPort)
        sim::UseAnyPorts(config);
    else if (portBase != 0 && !sim::ApplyPortBase(config, portBase, &error)) {
        std::cerr << "simserver: " << error << "\n";
        return 1;
    }

    sim::SimFarm farm;
    farm.Add(config);
    if (verbose) {
        farm.SetRequestObserver([](const std::string& label, const sim::ReceivedRequest& r) {
            std::cout << r.timeMs << ' ' << label << ' ' << r.peer << ' ' << r.request << std::endl;
        });
    }
    if (!farm.Start(&error)) {
        std::cerr << "simserver: " << error << "\n";
        return 1;
    }
    for (size_t i = 0; i < farm.MasterCount(); ++i) {
        const sim::SimMaster& m = farm.Master(i);
        std::cout << "master " << (m.Config().flavour == sim::SimMasterFlavour::Steam ? "steam " : "won ")
                  << m.Address() << ' ' << m.Label() << " (" << m.List().size() << " listed)" << Flags(m.Behaviour())
                  << '\n';
    }
    for (size_t i = 0; i < farm.WebApiCount(); ++i) {
        const sim::SimWebApi& w = farm.WebApi(i);
        const size_t listed = (w.Config().listAll ? farm.GameServerCount() : 0) + w.Config().serverLabels.size() +
                              w.Config().relayed.size();
        std::cout << "webapi " << w.Url() << ' ' << w.Label() << " (" << listed << " listed)\n";
    }
    for (size_t i = 0; i < farm.GameServerCount(); ++i) {
        const sim::SimGameServer& s = farm.GameServer(i);
        std::cout << "server " << s.Address() << ' ' << s.Label() << " \"" << s.Config().hostname << '"'
                  << Flags(s.Behaviour()) << '\n';
    }
    std::cout << "ready" << std::endl;
    return app.exec();
}

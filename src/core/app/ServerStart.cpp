#include "ServerStart.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "port/ProgramFolder.h"
#include "server/WorkRole.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/ServerConnection.h"
#include "store/WorkRights.h"

std::string ServerNotUpText(const std::string& host) {
    return "无法连接数据库服务器（" + host +
           "）：服务器没有运行，或网络不通。请确认服务器已启动后重试。";
}

std::string ServerStartDetailText(const std::string& detail) {
    std::string lines;
    size_t at = 0;
    while (at < detail.size()) {
        size_t end = detail.find('\n', at);
        if (end == std::string::npos)
            end = detail.size();
        std::string line = detail.substr(at, end - at);
        at = end + 1;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
        lines += (lines.empty() ? "" : "\n") + line;
    }
    return lines.empty() ? std::string() : "详细信息：" + lines;
}

ServerStartCheck CheckServerStart() {
    ServerStartCheck check;
    const ServerConfig server = ReadServerConfig(ProgramFolder());
    if (!server.present)
        return check;
    auto fail = [&](ServerStartCheck::State state, std::string text, std::string detail) {
        check.state = state;
        check.text = std::move(text);
        check.detail = std::move(detail);
        return check;
    };
    if (!server.error.empty())
        return fail(ServerStartCheck::Failed, ConnectFailureText(server.error), {});
    const PgConnection conn(PQconnectdb(server.conninfo.c_str()));
    if (!conn)
        return fail(ServerStartCheck::Failed, ConnectFailureText("out of memory"), {});
    if (PQstatus(conn.get()) != CONNECTION_OK) {
        const std::string detail = ServerErrorText(conn.get());
        // Only a server that does not answer at all is "not up"; one that answers and refuses
        // (a password, a database name) is told as any failed connect.
        if (PQping(server.conninfo.c_str()) != PQPING_NO_RESPONSE)
            return fail(ServerStartCheck::Failed, ConnectFailureText(detail), detail);
        // libpq names the host or socket folder it tried, the default one included.
        const char* host = PQhost(conn.get());
        return fail(ServerStartCheck::NotUp, ServerNotUpText(host && *host ? host : "localhost"),
                    detail);
    }
    std::string error;
    bool behind = false, owns = true;
    if (!ServerSchemaBehind(conn.get(), &behind, &error) ||
        (behind && !OwnsProgramTables(conn.get(), &owns, &error)))
        return fail(ServerStartCheck::Failed, ConnectFailureText(error), error);
    if (behind && !owns)
        return fail(ServerStartCheck::NeedsOwner, kUpgradeNeedsOwnerText, {});
    return check;
}

bool PrepareServerStart(const std::function<bool(const ServerStartCheck&)>& askRetry) {
    for (;;) {
        const ServerStartCheck check = CheckServerStart();
        switch (check.state) {
        case ServerStartCheck::Ready:
            return true;
        case ServerStartCheck::NotUp:
            if (!askRetry(check))
                return false;
            break;
        case ServerStartCheck::NeedsOwner: {
            const auto owner = Messages().AskSecret(kAskOwnerConninfoText);
            if (!owner || owner->empty()) {
                Messages().Inform(check.text);
                return false;
            }
            if (UpgradeWithOwner(*owner) != AdminResult::Done)
                return false;
            break;
        }
        case ServerStartCheck::Failed:
            Messages().Inform(check.text);
            return false;
        }
    }
}

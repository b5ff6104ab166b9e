#pragma once
#include <functional>
#include <string>

// The start of the programs in a folder whose data is on a server: one check before anything
// opens the data, so a server that is not up, or tables this workstation may not upgrade, are
// told once, with what to do, instead of by every store that tries.

struct ServerStartCheck {
    enum State {
        Ready,      // a file folder, or the server answers with tables of this version
        NotUp,      // nothing answers at the server's address
        NeedsOwner, // the tables need an upgrade the connection's role may not make
        Failed,     // any other failure (a refused password, no such database, ...)
    } state = Ready;
    std::string text;   // what to tell the user (empty when Ready)
    std::string detail; // the engine's own text, when there is one
};

// "无法连接数据库服务器（HOST）：服务器没有运行，或网络不通。请确认服务器已启动后重试。"
std::string ServerNotUpText(const std::string& host);
// The engine's text as shown under the message: "详细信息：" and its lines, each without the
// indentation libpq gives its hints, no empty line at the end; empty when there is none.
std::string ServerStartDetailText(const std::string& detail);

ServerStartCheck CheckServerStart();

// The desktop program's start: until the server is up and its tables fit, asks `askRetry`
// (true: try again) about a server that is not up, and asks for the owner's connection string
// (the message port's secret question) to upgrade tables this workstation may not. False when
// the program must not open, after its one message.
bool PrepareServerStart(const std::function<bool(const ServerStartCheck&)>& askRetry);

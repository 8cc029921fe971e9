//===- utilities/messages/MessageServers.cpp - Process-wide catalog servers ===//
#include "utilities/messages/XPG4MsgServer.h"
#include "utilities/messages/ZOR_Message.h"

ZOR_Message::MessageServer& ZOR_Message::MessageServer::instance() {
    static MessageServer* holder = new MessageServer();
    return *holder;
}

ZOR_Message::MessageServer::MessageServer() : _locale("en_US", EncodedString::UTF8) {
    set_message_file();
}

void ZOR_Message::MessageServer::set_message_file() {
    delete _server;
    _server = nullptr;
    _server = createServer(_locale.buffer());
}

ZOR_Message::LocalMessageServer& ZOR_Message::LocalMessageServer::instance() {
    static LocalMessageServer* holder = new LocalMessageServer();
    return *holder;
}

ZOR_Message::LocalMessageServer::LocalMessageServer() : _server(createServer(nullptr)) {}

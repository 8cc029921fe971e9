//===- tests/utilities/messages/MessageProbe.cpp - Messages in a process of their own ===//
//
// The catalog search depends on the process: the place of its executable, its environment
// and its message locale. The tests copy this program into installations of their own and
// run it there. It takes its locale from the environment, then:
//   message_probe <locale | ->   "<message locale before> <after> <text 33>" of a server
//   message_probe text           message 33 with the inserts "%2" and "ü" through text(),
//                                then through display()
//   message_probe reopen         the same, with text() again after NLSPATH was set to
//                                <installation>/nls/%N and the catalog searched anew
//
//===----------------------------------------------------------------------------===//
#include "utilities/files/InstallPath.h"
#include "utilities/messages/XPG4MsgServer.h"
#include "utilities/messages/ZOR_Message.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

int main(int, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::string command = argv[1], before = std::setlocale(LC_MESSAGES, nullptr);
    if (command != "text" && command != "reopen") {
        const std::unique_ptr<XPG4MsgServer> server(
            ZOR_Message::createServer(command == "-" ? nullptr : argv[1]));
        std::printf("%s %s %s\n", before.c_str(), std::setlocale(LC_MESSAGES, nullptr),
                    server->getText(1, 33).buffer());
        return 0;
    }
    const EncodedString first("%2", EncodedString::UTF8), second("\xC3\xBC", EncodedString::UTF8);
    for (int round = 0; round < (command == "reopen" ? 2 : 1); ++round) {
        const std::string nlspath =
            InstallPath::instance().location().buffer() + std::string("/nls/%N");
        if (round == 1 && setenv("NLSPATH", nlspath.c_str(), 1) == 0)
            ZOR_Message::MessageServer::instance().set_message_file();
        ZOR_Message message(33);
        message.set_inserts(&first, &second, nullptr);
        std::printf("%s|", message.text().buffer());
    }
    ZOR_Message::display(33, 0, &first, &second, nullptr);
}

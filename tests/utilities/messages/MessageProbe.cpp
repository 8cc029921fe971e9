//===- tests/utilities/messages/MessageProbe.cpp - Messages in a process of their own ===//
//
// The catalog search depends on the process: its executable's place (the installation
// directory), its environment (NLSPATH, LOCPATH, LC_*) and its message locale. The tests
// copy this program where they need it and run it with the environment of their choice.
// It first takes its locale from the environment, as a program of the engine does, then:
//
//   message_probe server <locale | -> <number>   a server for the locale ("-": none given)
//   message_probe text <number> [insert...]      ZOR_Message::text()
//   message_probe reopen <number> <nlspath>      text(), then NLSPATH changed and the
//                                                 catalog searched again, then text()
//   message_probe display <options> <number> [insert...]   ZOR_Message::display()
//
//===----------------------------------------------------------------------------===//
#include "utilities/messages/XPG4MsgServer.h"
#include "utilities/messages/ZOR_Message.h"
#include "utilities/strings/List.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const char* messageLocale() {
    const char* locale = std::setlocale(LC_MESSAGES, nullptr);
    return locale != nullptr ? locale : "(null)";
}

uint32_t numberArgument(const char* text) {
    return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
}

ZOR_Message messageFrom(int argc, char** argv, int first) {
    std::vector<EncodedString> inserts;
    for (int i = first + 1; i < argc; ++i)
        inserts.emplace_back(argv[i], EncodedString::Native);
    List<const EncodedString*> insertList;
    for (const EncodedString& insert : inserts)
        insertList.append(&insert);
    return ZOR_Message(numberArgument(argv[first]), insertList);
}

int server(const char* locale, const char* number) {
    std::printf("before=%s\n", messageLocale());
    const std::unique_ptr<XPG4MsgServer> server(
        ZOR_Message::createServer(std::strcmp(locale, "-") == 0 ? nullptr : locale));
    std::printf("after=%s\n", messageLocale());
    std::printf("catalog=%d\n", server->hasCatalog() ? 1 : 0);
    std::printf("text=%s\n", server->getText(1, static_cast<int>(numberArgument(number))).buffer());
    return 0;
}

int text(int argc, char** argv) {
    ZOR_Message message = messageFrom(argc, argv, 2);
    std::printf("text=%s\n", message.text().buffer());
    return 0;
}

int reopen(const char* number, const char* nlspath) {
    ZOR_Message first(numberArgument(number));
    std::printf("text=%s\n", first.text().buffer());
    setenv("NLSPATH", nlspath, 1);
    ZOR_Message::MessageServer::instance().set_message_file();
    ZOR_Message second(numberArgument(number));
    std::printf("text=%s\n", second.text().buffer());
    return 0;
}

int display(int argc, char** argv) {
    messageFrom(argc, argv, 3).display(static_cast<unsigned int>(std::atoi(argv[2])));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const char* command = argc > 1 ? argv[1] : "";
    if (std::strcmp(command, "server") == 0 && argc == 4)
        return server(argv[2], argv[3]);
    if (std::strcmp(command, "text") == 0 && argc >= 3)
        return text(argc, argv);
    if (std::strcmp(command, "reopen") == 0 && argc == 4)
        return reopen(argv[2], argv[3]);
    if (std::strcmp(command, "display") == 0 && argc >= 4)
        return display(argc, argv);
    std::fprintf(stderr, "usage: message_probe server|text|reopen|display ...\n");
    return 2;
}

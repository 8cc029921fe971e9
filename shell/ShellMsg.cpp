//===- shell/ShellMsg.cpp - Records between the shell and the master ------===//
#include "shell/ShellMsg.h"

#include "utilities/settings/DecimalText.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/msg.h>

// msgsnd and msgrcv take the record itself as their message buffer.
static_assert(sizeof(ShellIntMsg) == sizeof(ShellMsg) &&
                  sizeof(ShellIntPairMsg) == sizeof(ShellMsg) &&
                  sizeof(ShellFlagMsg) == sizeof(ShellMsg),
              "the record kinds must add no data");

ShellMsg::ShellMsg() : _type(0), _text{} {
    static_assert(offsetof(ShellMsg, _text) == sizeof(long),
                  "the text must follow the type as in the kernel's message buffer");
}

ShellMsg::ShellMsg(int type) : ShellMsg(type, 0) {}

ShellMsg::ShellMsg(int type, int value) : _type(type), _text{} {
    writeText("%d", value);
}

ShellMsg::ShellMsg(int type, int first, int second) : _type(type), _text{} {
    writeText("%d %d", first, second);
}

ShellMsg::ShellMsg(int type, unsigned char flag) : _type(type), _text{} {
    _text[0] = static_cast<char>(flag);
}

void ShellMsg::writeText(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(_text, sizeof _text, format, arguments);
    va_end(arguments);
}

int ShellMsg::type() const {
    return _type >= SHELL_MSG_INT && _type <= SHELL_MSG_FLAG ? static_cast<int>(_type) : 0;
}

int ShellMsg::flag() const {
    return _type == SHELL_MSG_FLAG ? static_cast<unsigned char>(_text[0]) : 1;
}

int ShellMsg::readIntegers(int& first, int& second) const {
    // The text ends at its first zero byte or at the record's end, whichever comes first:
    // a zero byte stops the digits and starts no number.
    const char* const end = _text + textCapacity;
    const DecimalText one = scanDecimal(_text, end);
    if (!one.toInt(first))
        return 0;
    return scanDecimal(one.end, end).toInt(second) ? 2 : 1;
}

int ShellMsg::intValue() const {
    int first = -1;
    int second = -1;
    if (_type != SHELL_MSG_INT && _type != SHELL_MSG_INT_PAIR)
        return -1;
    return readIntegers(first, second) >= 1 ? first : -1;
}

int ShellMsg::secondValue() const {
    int first = -1;
    int second = -1;
    if (_type != SHELL_MSG_INT_PAIR)
        return -1;
    return readIntegers(first, second) == 2 ? second : -1;
}

std::size_t ShellMsg::textSize() const {
    const std::size_t length = strnlen(_text, textCapacity);
    return length < textCapacity ? length + 1 : textCapacity;
}

int ShellMsg::send(int qid, int flags) const {
    return msgsnd(qid, this, textSize(), flags);
}

std::unique_ptr<ShellMsg> ShellMsg::receive(int qid, int flags) {
    auto record = std::make_unique<ShellMsg>();
    if (msgrcv(qid, record.get(), textCapacity, 0, flags) > 0)
        return record;
    return nullptr;
}

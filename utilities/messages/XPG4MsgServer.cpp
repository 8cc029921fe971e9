//===- utilities/messages/XPG4MsgServer.cpp - Catalog message server ------===//
#include "utilities/messages/XPG4MsgServer.h"

#include "utilities/files/InstallPath.h"
#include "utilities/messages/CatalogFile.h"
#include "utilities/messages/CatalogLocale.h"
#include "utilities/settings/EnvironmentNames.h"

#include <clocale>
#include <cstring>
#include <string>

namespace {

// The catalog search moves the process's message locale around, because catopen takes
// the locale of an NLSPATH lookup from it. This keeps the locale found at construction
// and puts it back at the end, whatever the search did.
class MessageLocaleKeeper {
public:
    MessageLocaleKeeper() {
        const char* current = std::setlocale(LC_MESSAGES, nullptr);
        _remembered = current != nullptr ? current : "";
    }
    ~MessageLocaleKeeper() { std::setlocale(LC_MESSAGES, _remembered.c_str()); }
    MessageLocaleKeeper(const MessageLocaleKeeper&) = delete;
    MessageLocaleKeeper& operator=(const MessageLocaleKeeper&) = delete;

    const char* remembered() const { return _remembered.c_str(); }

private:
    std::string _remembered;
};

nl_catd openCatalogFile(const char* name) {
    return catopen(name, NL_CAT_LOCALE);
}

} // namespace

XPG4MsgServer::XPG4MsgServer(const char* locale, const char* catalogBaseName,
                             MessageSets messageSets, const int* setSizes)
    : _catalog(noCatalog()), _messageSets(messageSets), _setSizes(setSizes) {
    EncodedString fileName;
    fabricateName(fileName, EncodedString(catalogBaseName, EncodedString::UTF8));
    fileName += EncodedString(".cat", EncodedString::UTF8);

    const MessageLocaleKeeper keeper;
    const bool noLocaleGiven = locale == nullptr || *locale == '\0';
    openCatalog(fileName, noLocaleGiven ? keeper.remembered() : locale);
}

XPG4MsgServer::~XPG4MsgServer() {
    if (hasCatalog())
        catclose(_catalog);
}

void XPG4MsgServer::openCatalog(const EncodedString& fileName, const char* locale) {
    CatalogLocaleName catalogLocale;
    if (normalizeCatalogLocale(locale, catalogLocale)) {
        std::setlocale(LC_MESSAGES, catalogLocale);
        if (openInstalled(fileName, catalogLocale) || openAlongNlspath(fileName, nullptr) ||
            openForLanguage(fileName, catalogLocale))
            return;
    }
    // The last try is final, whatever it gives.
    openAlongNlspath(fileName, locale);
}

// <installation>/msg/<catalog locale>/<file name>, opened by its path when it is a whole
// catalog: catopen would trust the sizes of a damaged one.
bool XPG4MsgServer::openInstalled(const EncodedString& fileName, const char* catalogLocale) {
    EncodedString directory = InstallPath::instance().location();
    directory += EncodedString("/msg/", EncodedString::UTF8);
    ByteString path = directory.convertToNative();
    path += ByteString(catalogLocale, std::strlen(catalogLocale), "/", 1, nullptr, 0);
    path += fileName.convertToNative();
    if (isCompleteCatalog(path.chars()))
        _catalog = openCatalogFile(path.chars());
    return hasCatalog();
}

// The bare file name, which catopen looks for along NLSPATH under the message locale;
// `locale`, when given, becomes that locale first.
bool XPG4MsgServer::openAlongNlspath(const EncodedString& fileName, const char* locale) {
    if (locale != nullptr)
        std::setlocale(LC_MESSAGES, locale);
    _catalog = openCatalogFile(fileName.convertToNative().chars());
    return hasCatalog();
}

// Every known catalog locale of the same language, in the table's order.
bool XPG4MsgServer::openForLanguage(const EncodedString& fileName, const char* catalogLocale) {
    for (unsigned int i = 0; i < catalogLocaleCount(); ++i) {
        const char* candidate = ::catalogLocale(i);
        if (std::strncmp(candidate, catalogLocale, 2) == 0 && openAlongNlspath(fileName, candidate))
            return true;
    }
    return false;
}

bool XPG4MsgServer::isInTable(int set, int number) const {
    return set >= 1 && set <= _setSizes[0] && number >= 1 && number <= _setSizes[set];
}

// The catalog's text, or the default text when there is no catalog or it lacks the
// message; null outside the table.
const char* XPG4MsgServer::lookUp(int set, int number) const {
    if (!isInTable(set, number))
        return nullptr;
    const char* defaultText = _messageSets[set][number];
    if (!hasCatalog())
        return defaultText;
    return catgets(_catalog, set, number, defaultText);
}

EncodedString XPG4MsgServer::getText(int set, int number) const {
    return EncodedString(lookUp(set, number), EncodedString::UTF8);
}

ByteString XPG4MsgServer::getBytes(int set, int number) const {
    const char* text = lookUp(set, number);
    if (text == nullptr)
        return ByteString();
    return ByteString(reinterpret_cast<const unsigned char*>(text),
                      static_cast<unsigned int>(std::strlen(text)));
}

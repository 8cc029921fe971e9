# The native code page of a process is fixed when its converter is first used, so each code
# page the tests need gets a test program of its own, run with QIM_DBG_CODEPAGE
# naming it.
qim_add_test_binary(qimutil_codepage_latin1_tests
    EncodedStringLatin1Test.cpp
    UTF8ConverterCodepageLatin1Test.cpp
    UTF8ConverterTestSupport.h
    ENVIRONMENT QIM_DBG_CODEPAGE=ISO-8859-1
)
# A name iconv does not know: the converter must use the locale's code set instead.
qim_add_test_binary(qimutil_codepage_unknown_tests
    UTF8ConverterCodepageUnknownTest.cpp
    UTF8ConverterTestSupport.h
    ENVIRONMENT QIM_DBG_CODEPAGE=NO-SUCH-CODEPAGE-42
)
# Stateful code pages whose native form is longer than the UTF-8 one.
qim_add_test_binary(qimutil_codepage_utf7_tests
    UTF8ConverterCodepageUTF7Test.cpp
    UTF8ConverterTestSupport.h
    ENVIRONMENT QIM_DBG_CODEPAGE=UTF-7
)
qim_add_test_binary(qimutil_codepage_iso2022jp_tests
    UTF8ConverterCodepageISO2022JPTest.cpp
    UTF8ConverterTestSupport.h
    ENVIRONMENT QIM_DBG_CODEPAGE=ISO-2022-JP
)

# The native code page of a process is fixed when its converter is first used, so the
# code-page test runs again in a process of its own for each code page it knows, with
# QIM_DBG_CODEPAGE naming it (NO-SUCH-CODEPAGE-42: a name iconv does not know).
foreach(codepage ISO-8859-1 UTF-7 ISO-2022-JP NO-SUCH-CODEPAGE-42)
    gtest_discover_tests(qimutil_strings_tests TEST_PREFIX "${codepage}."
                         TEST_FILTER "UTF8ConverterCodepageTest.*" DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "QIM_DBG_CODEPAGE=${codepage}")
endforeach()

/* A program written outside the project and built against an installed libtxorb, the way a
 * user builds one: through the CMake package or through pkg-config. It checks that the header
 * and the library it found belong together and match the version the package metadata names
 * (TXORB_EXPECTED_VERSION, given by the build). Exit status 0 when every check holds. */
#include <stdio.h>
#include <string.h>

#include <txorb/txorb.h>

#ifndef TXORB_EXPECTED_VERSION
#error "build with -DTXORB_EXPECTED_VERSION=\"<version the package metadata names>\""
#endif

/* Get_DLL_Version reports the file version 11.2.49 as (11 * 10 + 2) * 100 + 49. */
#define FILE_VERSION_NUMBER 11249

/* The header's own list of codes, names and texts: what the library must answer. */
#define TEXT_ENTRY(code, name, text) [code] = text,
#define NAME_ENTRY(code, name, text) [code] = #name,
static const char* const kHeaderTexts[] = {TXORB_ERROR_LIST(TEXT_ENTRY)};
static const char* const kHeaderNames[] = {TXORB_ERROR_LIST(NAME_ENTRY)};

static int failures = 0;

static void expect_text(const char* what, const char* got, const char* want) {
    if (got == NULL || strcmp(got, want) != 0) {
        printf("FAIL %s: \"%s\", expected \"%s\"\n", what, got ? got : "(null)", want);
        ++failures;
    }
}

int main(void) {
    const uint16_t fileVersion = Get_DLL_Version();
    if (fileVersion != FILE_VERSION_NUMBER) {
        printf("FAIL Get_DLL_Version: %u, expected %u\n", fileVersion, FILE_VERSION_NUMBER);
        ++failures;
    }
    expect_text("txorb_library_version", txorb_library_version(), TXORB_EXPECTED_VERSION);

    /* One code taken through both lookups: a card call made before any card is set up reports
     * it, so every program meets it first. */
    const uint32_t codes[] = {TXORB_ERR_OK, TXORB_ERR_NO_CARD_ACTIVE};
    for (size_t i = 0; i < sizeof codes / sizeof codes[0]; ++i) {
        const uint32_t code = codes[i];
        expect_text("Get_Error_Message", Get_Error_Message((int32_t)code), kHeaderTexts[code]);
        expect_text("txorb_error_name", txorb_error_name(code), kHeaderNames[code]);
    }

    if (failures == 0)
        printf("consumer: libtxorb %s, file version %u: ok\n", txorb_library_version(),
               fileVersion);
    return failures == 0 ? 0 : 1;
}

// Every global of the localized texts and the two random generators lives in this one file:
// within a translation unit globals are built in the order they are defined, which gives the
// start-up order they need (editor strings, translatable strings, then the delimiter lengths
// and the table holder's clean-up, then the generators) and the reverse order at exit.
//
// CorvaneCore is a static library, and the linker takes an object file from it only when the
// program refers to one of its names; nothing in the program reads these strings, so this file
// would silently be left out and the queue would stay empty. CJString.cpp therefore refers to
// pForceAddStrings: any program that uses strings, which is every program of the library,
// links this file and runs its start-up.
#include "CorvaneCore/LocalizedText.h"

#include "CorvaneCore/Rand.h"

#include <cstring>

std::uint32_t CListGrownCapacity(std::uint32_t count, std::uint32_t capacity) {
    float grown = static_cast<float>(capacity) * 1.2f;
    std::uint32_t byFifth;
    if (!(grown > 0.0f)) {
        byFifth = 0;
    } else if (grown >= 4294967296.0f) {
        byFifth = 0xFFFFFFFFu;
    } else {
        byFifth = static_cast<std::uint32_t>(grown);
    }
    std::uint64_t atLeast = static_cast<std::uint64_t>(count) + 1;
    if (atLeast > 0xFFFFFFFFu) {
        atLeast = 0xFFFFFFFFu;
    }
    return byFifth > atLeast ? byFifth : static_cast<std::uint32_t>(atLeast);
}

CTranslatedJString::CTranslatedJString(char const* englishText, char const* annotation, bool flag)
    : CJString(englishText), m_pEnglishText(englishText) {
    LocalizedText.QueToBeGottenWhenAvailable(this, annotation, flag);
}

CTranslatedEditorJString::CTranslatedEditorJString(char const* englishText,
                                                   char const* /*annotation*/, bool /*flag*/)
    : CJString(englishText) {}

void CLocalizedText::QueToBeGottenWhenAvailable(CJString* string, char const* annotation,
                                                bool /*flag*/) {
    // Built on first use, so that strings queued from any translation unit find it ready.
    static CList<CStringAnnotationPair> s_Queue;
    pForceAddStrings = &s_Queue;
    if (!string || string->IsEmpty()) {
        return;
    }
    CStringAnnotationPair pair;
    pair.m_pString = string;
    pair.m_pAnnotation = annotation;
    s_Queue.Add(pair);
}

void CLocalizedText::RemoveTables() {
    if (m_pTable) {
        // Entries go last to first, as array delete destroys them.
        delete[] m_pTable;
        m_pTable = nullptr;
    }
    m_Count = 0;
}

void CLocalizedText::SetTable(CLocalizedString* table, std::uint32_t count) {
    RemoveTables();
    m_pTable = table;
    m_Count = table ? count : 0;
}

// Constant-initialised, so it exists before any string of any file queues itself.
CLocalizedText LocalizedText;
CList<CStringAnnotationPair>* pForceAddStrings = nullptr;

char const ENGLISH_STRING_DELIMITER[] = "ENGLISH: ";
char const LOCALIZED_STRING_DELIMITER[] = "LOCALIZED: ";
char const END_LOCALIZATION_LINE_STRING_DELIMITER[] = "[END]";
char const ANNOTATION_FORMAT_STRING[] = " (%s)";
unsigned int ENGLISH_STRING_DELIMITER_LENGTH = 0;
unsigned int LOCALIZED_STRING_DELIMITER_LENGTH = 0;
unsigned int END_LOCALIZATION_LINE_STRING_DELIMITER_LENGTH = 0;
unsigned int ANNOTATION_FORMAT_STRING_LENGTH = 0;

CTranslatedEditorJString OpeningZipFilesStatusMessage("Opening Zip Files and Retreiving File Lists",
                                                      nullptr, false);
CTranslatedEditorJString
    UnableToOpenZipFileMessage("Unable to open zip file %s %s . May be damaged file.", nullptr,
                               false);
CTranslatedEditorJString UnableToOpenZipFileMessageTitle("Bad Zip file", nullptr, false);
CTranslatedEditorJString DoneOpeningZipsMessage("Done Opening Zip Files and Retreiving File Lists",
                                                nullptr, false);
CTranslatedEditorJString NoZipsFoundMessage("No zip files found", nullptr, false);

CTranslatedJString HourMinuteSeparatorString(":", "Hours:Minutes separator", false);
CTranslatedJString MinuteSecondsSeparatorString(":", "Minutes:Seconds separator", false);
CTranslatedJString DaysAbreviationString("d", "\"d\" is short for the days", false);
CTranslatedJString MinutesSuffixString("m", "suffix indicating minutes", false);
CTranslatedJString SecondsSuffixString("s", "suffix indicating seconds", false);

namespace {

// Runs after the strings above and, at exit, before their destruction.
struct LocalizationSetUp {
    LocalizationSetUp() {
        ENGLISH_STRING_DELIMITER_LENGTH =
            static_cast<unsigned int>(std::strlen(ENGLISH_STRING_DELIMITER));
        LOCALIZED_STRING_DELIMITER_LENGTH =
            static_cast<unsigned int>(std::strlen(LOCALIZED_STRING_DELIMITER));
        END_LOCALIZATION_LINE_STRING_DELIMITER_LENGTH =
            static_cast<unsigned int>(std::strlen(END_LOCALIZATION_LINE_STRING_DELIMITER));
        ANNOTATION_FORMAT_STRING_LENGTH =
            static_cast<unsigned int>(std::strlen(ANNOTATION_FORMAT_STRING)) - 2;
        LocalizedText.SetTable(nullptr, 0);
    }
    ~LocalizationSetUp() { LocalizedText.RemoveTables(); }
};

LocalizationSetUp s_LocalizationSetUp;

} // namespace

CRand LocalRand;
CRand NetRand;

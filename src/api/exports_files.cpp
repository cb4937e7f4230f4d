#include "api/report.h"
#include "commands/correction_files.h"
#include "common/process_state.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

const char* Printable(const char* text) { return text != nullptr ? text : "(null)"; }

// A null name is the one refusal that also lands in the last-error store.
bool RefuseNullName(const char* apiName) {
    StoreLastErrorCode(err::kFileNotFound);
    return api::Frame(err::kFileNotFound, apiName);
}

}  // namespace

extern "C" bool Load_Cor(const char* lpstrFileName) {
    api::Trace("lpstrFileName=%s", Printable(lpstrFileName));
    if (lpstrFileName == nullptr) return RefuseNullName("Load_Cor");
    return api::Frame(commands::LoadCorrectionFile(lpstrFileName, 0), "Load_Cor");
}

extern "C" bool Load_Corr_N(const char* lpstrFileName, int32_t N) {
    api::Trace("lpstrFileName=%s N=%d", Printable(lpstrFileName), N);
    if (N < 1 || N > 4) return api::Frame(err::kInvalidCardNumber, "Load_Corr_N");
    if (lpstrFileName == nullptr) return RefuseNullName("Load_Corr_N");
    return api::Frame(commands::LoadCorrectionFile(lpstrFileName, N), "Load_Corr_N");
}

extern "C" const char* Corr_File_Name(void) { return commands::CorrectionFileName(); }

extern "C" bool Load_Corr_File_From_Target_Disk(const char* lpszFileName) {
    const bool ok = api::Frame(commands::LoadCorrFileFromTargetDisk(lpszFileName),
                               "Load_Corr_File_From_Target_Disk");
    api::Trace("lpszFileName=%s", Printable(lpszFileName));
    return ok;
}

extern "C" bool Copy_File_To_Target_Disk(const char* lpszFileName) {
    api::Trace("lpszFileName=%s", Printable(lpszFileName));
    return commands::CopyFileToTargetDisk(lpszFileName) == err::kOk;
}

extern "C" bool Delete_File_On_Target_Disk(const char* lpszFileName) {
    api::Trace("lpszFileName=%s", Printable(lpszFileName));
    return commands::DeleteFileOnTargetDisk(lpszFileName) == err::kOk;
}

extern "C" bool Make_Boot_Program(const char* lpszFileName) {
    api::Trace("lpszFileName=%s", Printable(lpszFileName));
    return commands::MakeBootProgram(lpszFileName) == err::kOk;
}

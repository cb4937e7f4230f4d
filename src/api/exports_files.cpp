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

extern "C" {

TXORB_EXPORT(bool) Load_Cor(const char* lpstrFileName) {
    api::Trace("lpstrFileName=%s", Printable(lpstrFileName));
    if (lpstrFileName == nullptr) return RefuseNullName(__func__);
    return api::Frame(commands::LoadCorrectionFile(lpstrFileName, 0), __func__);
}

TXORB_EXPORT(bool) Load_Corr_N(const char* lpstrFileName, int32_t N) {
    api::Trace("lpstrFileName=%s N=%d", Printable(lpstrFileName), N);
    if (N < 1 || N > 4) return api::Frame(err::kInvalidCardNumber, __func__);
    if (lpstrFileName == nullptr) return RefuseNullName(__func__);
    return api::Frame(commands::LoadCorrectionFile(lpstrFileName, N), __func__);
}

TXORB_EXPORT(const char*) Corr_File_Name(void) {
    return api::Answer(commands::CorrectionFileName(), err::kOk);
}

TXORB_EXPORT(bool) Load_Corr_File_From_Target_Disk(const char* lpszFileName) {
    const bool ok = api::Frame(commands::LoadCorrFileFromTargetDisk(lpszFileName), __func__);
    api::Trace("lpszFileName=%s", Printable(lpszFileName));
    return ok;
}

TXORB_EXPORT(bool) Copy_File_To_Target_Disk(const char* lpszFileName) {
    api::Trace("lpszFileName=%s", Printable(lpszFileName));
    return api::Quiet(commands::CopyFileToTargetDisk(lpszFileName));
}

TXORB_EXPORT(bool) Delete_File_On_Target_Disk(const char* lpszFileName) {
    api::Trace("lpszFileName=%s", Printable(lpszFileName));
    return api::Quiet(commands::DeleteFileOnTargetDisk(lpszFileName));
}

TXORB_EXPORT(bool) Make_Boot_Program(const char* lpszFileName) {
    api::Trace("lpszFileName=%s", Printable(lpszFileName));
    return api::Quiet(commands::MakeBootProgram(lpszFileName));
}

}  // extern "C"

// The main window's texts for saving and loading parameter save files, kept beside the model so
// that the window and the unattended runs use the very same words.
#pragma once

#include <string>
#include <string_view>

#include "Cp932Text.h"

namespace orvex::texts {

// Saving.
constexpr char kSaveConfirmText[] = "変更中のパラメータ設定ウィンドウがありますが、\n\n処理を続けますか？";
constexpr char kSaveConfirmCaption[] = "ファイル保存確認";
constexpr char kSaveFilter[] = "パラメータ保存ファイル (*.prg)|*.prg|すべてのファイル (*.*)|*.*||";
constexpr char kSaveFileExtension[] = "prg";
constexpr char kSaveReadOnlyText[] =
    "このファイルは読み取り専用属性が設定されているため、上書き保存できません。\n\n%s";  // path
constexpr char kSaveReadOnlyCaption[] = "ファイル保存";
constexpr char kSaveSucceededText[] = "パラメータ設定データは正常にファイル出力されました。";
constexpr char kSaveFailedText[] = "パラメータ設定データのファイル出力に失敗しました。\n\nErr = %d";
constexpr char kSaveResultCaption[] = "ファイル保存結果";

// Loading.
constexpr char kLoadConfirmText[] =
    "パラメータ内容が更新（もしくはパラメータ設定ウィンドウ内で変更中）されていますが、\n\n処理を続けますか？";
constexpr char kLoadConfirmCaption[] = "ファイル読込確認";
constexpr char kLoadFilter[] = "パラメータ読込ファイル (*.prg)|*.prg|すべてのファイル (*.*)|*.*||";
constexpr char kLoadFailedText[] = "パラメータ設定データのファイル入力に失敗しました。\n\nErr = %d";
constexpr char kNotParameterFileText[] =
    "指定のファイル形式は、パラメータ設定データ用ではありません。\n\n処理を中断します。";
constexpr char kLoadSucceededText[] =
    "パラメータ設定データは正常にファイル入力されました。\n\nパラメータ・バージョン番号 : %04X";  // version
constexpr char kLoadResultCaption[] = "ファイル読込結果";

// Both.
constexpr char kOutOfMemoryText[] = "メモリ不足のため、処理を中断します。";

// Where a file dialog starts from the remembered path: a folder ("...\") or a drive ("C:") gets
// the pattern ("*.prg") appended.
inline std::string FileDialogStartPath(std::string_view remembered, std::string_view pattern) {
  std::string path(remembered);
  if (EndsWithChar(remembered, '\\')) {
    path.append(pattern);
  } else if (EndsWithChar(remembered, ':')) {
    path += '\\';
    path.append(pattern);
  }
  return path;
}

}  // namespace orvex::texts

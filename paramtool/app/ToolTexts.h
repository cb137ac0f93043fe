// OrvexSet's own words: the start-up, run-mode and main-window texts, in one place so that the
// window, the unattended runs and the tests use the very same bytes (code page 932 in the binary).
#pragma once

namespace orvex::texts {

// Start-up.
constexpr char kChannelOpenFailedText[] = "デバイス制御オブジェクトの作成に失敗しました。\n\n(デバイス制御不能)";
constexpr char kChannelOpenFailedReport[] = "デバイス制御オブジェクト作成失敗";
constexpr char kAttachFailedText[] =
    "デバイス制御オブジェクトのアタッチに失敗しました。（デバイス制御不能)\n\nStat = %Xh, Err = %d";
constexpr char kAttachFailedReport[] = "デバイス接続異常 Stat = %Xh, Err = %d";
constexpr char kTimerFailedReport[] = "タイマ・イベントの起動に失敗しました。";
constexpr char kDeviceWaitOverReport[] = "デバイス接続待機時間オーバー(%d秒)";
constexpr char kSystemChannelWaitOverReport[] = "システム・チャネル接続待機時間オーバー(%d秒)";
constexpr char kHelpMissingText[] = "ヘルプファイルが見つからないか、もしくは壊れています。\n\n%s";  // path

// Final messages of the file modes, by exit code.
constexpr char kExitOpenFailedText[] = "ファイル・オープンに失敗しました。";
constexpr char kExitReadWriteFailedText[] = "ファイル・リード／ライトに失敗しました。";
constexpr char kExitInvalidReadDataText[] = "読み込まれたパラメータ・データは不正です。";
constexpr char kExitInvalidWriteFileText[] = "書換パラメータ・ファイル形式が不正です。";
constexpr char kExitNoFileText[] = "パラメータ・ファイルが指定されていません。";
constexpr char kExitResourceText[] = "リソース・エラーが発生しました。（メモリ不足の可能性があります）";
constexpr char kExitNoDeviceText[] = "デバイスが接続されていません。";
constexpr char kExitDeviceFailureText[] =
    "デバイスに異常が発生しました。※一旦、デバイスの電源をOFFにして、しばらくしてから電源ONにして再度実行して下さい。";
constexpr char kReadModeCaption[] = "パラメータ読込";
constexpr char kWriteModeCaption[] = "パラメータ書換";

// Main window.
constexpr char kAutomaticTitleSuffix[] = "  <自動>";
constexpr char kPendingChangesText[] =
    "パラメータ内容が更新（もしくはパラメータ設定ウィンドウ内で変更中）されていますが、\n\n";
constexpr char kCloseQuestion[] = "終了しますか？";
constexpr char kCloseCaption[] = "終了確認";
constexpr char kWriteConfirmText[] = "パラメータ設定データをデバイスに書き込みます。\n\n";
constexpr char kWriteConfirmEditing[] = "変更中のパラメータ設定ウィンドウがありますが、";
constexpr char kWriteConfirmQuestion[] = "よろしいですか？";
constexpr char kWriteConfirmCaption[] = "デバイス・パラメータ書込確認";
constexpr char kReadPendingQuestion[] = "処理を続けますか？";
constexpr char kReadPendingCaption[] = "デバイス読込確認";
constexpr char kReadFirstText[] = "パラメータ設定データをデバイスから読み込みます。";
constexpr char kReadConfirmCaption[] = "デバイス・パラメータ読込確認";
constexpr char kResetAllPrefix[] = "全てのパラメータを初期値に戻します。\n\n";
constexpr char kResetAllQuestion[] = "よろしいですか？";
constexpr char kResetAllCaption[] = "全初期化確認";
constexpr char kSettingsOpenFailedText[] = "パラメータ設定画面が表示できません。(メモリ不足)";
constexpr char kBalloonText[] = "変更したパラメータは、デバイス書込ボタンをクリックすることで登録されます。";

// Definition file update.
constexpr char kUpdateCloseWindowsText[] = "パラメータ設定ウィンドウを全て閉じて下さい。";
constexpr char kUpdateCaption[] = "定義ファイル更新";
constexpr char kDefinitionFilter[] = "パラメータ定義ファイル (*.txt)|*.txt|すべてのファイル (*.*)|*.*||";
constexpr char kDefinitionExtension[] = "txt";
constexpr char kUpdateFailedText[] = "パラメータ定義ファイルの更新に失敗しました。";
constexpr char kUpdateNoValidItems[] = "（有効パラメータ項目無）";
constexpr char kUpdateOutOfMemory[] = "（メモリ不足）";
constexpr char kUpdateOpenError[] = "（オープンエラー発生）";
constexpr char kUpdateReadError[] = "（リードエラー発生）";
constexpr char kUpdateStoreQuestion[] =
    "パラメータ定義ファイルは正常に読み込まれました。\n\nシステムに記憶しますか？\n\n"
    "※「いいえ」を選択した場合、読み込まれた内容は今回起動中のみ有効となります。\n"
    "　（アプリケーション終了時に破棄されます）";
constexpr char kUpdateStoreCaption[] = "定義ファイル更新確認";
constexpr char kUpdateCopyReadOnlyText[] =
    "パラメータ定義ファイルのコピーに失敗しました。\n\n"
    "このファイルは読み取り専用属性が設定されているため、上書きコピーできません。\n\n%s";  // installed path
constexpr char kUpdateCopyFailedText[] = "パラメータ定義ファイルのコピーに失敗しました。\n\nErr = %d";

// Device connection and events.
constexpr char kDetachAbnormalReport[] = "デバイスに異常が発生しました。\n\nStat = %Xh, Err = %d";
constexpr char kDetachAbnormalText[] =
    "デバイスに異常が発生しました。\n\nStat = %Xh, Err = %d\n\n一旦、デバイスはアプリケーションから切り離されます。";
constexpr char kDeviceStoppedReport[] = "デバイス停止通知 Stat = %Xh";
constexpr char kDeviceStoppedQuestion[] =
    "デバイスに致命的なエラーが発生しました。 Stat = %Xh\n\nハードウェア・リセットを実行しますか？\n\n"
    "※ここでハードウェア・リセットを行わない場合は、デバイスの電源を一旦OFF(しばらくしてからON)にして下さい。";

// Both transfers.
constexpr char kTransferErrorText[] =
    "デバイスに転送エラーが発生しました。Stat = %d\n\nデバイスの電源を一旦OFF(しばらくしてからON)にして、再度行って下さい。";
constexpr char kTransferTitle[] = "%s (%u%%)";  // kept title, percent

// Device parameter read.
constexpr char kReadWindowFailedText[] = "デバイス・パラメータ読込画面が表示できません。";
constexpr char kReadTransferFailedReport[] = "デバイス・パラメータ読込転送失敗 Size = %d, Cnt = %d";
constexpr char kReadTransferFailedText[] = "デバイス・パラメータの読込転送に失敗しました。\n\nSize = %d, Cnt = %d";
constexpr char kReadRequestFailedReport[] = "パラメータ読込要求失敗 Err = %d";
constexpr char kReadResourceReport[] = "パラメータ読込リソースエラー（メモリ不足）";
constexpr char kThreadFailedText[] = "リソース不足(スレッド起動)のため、処理を中断します。";
constexpr char kReadNoAnswerText[] =
    "デバイスから応答がありません。Err = %d\n\nデバイスの電源を一旦OFF(しばらくしてからON)にして、再度行って下さい。";
constexpr char kReadBlockFailedReport[] = "パラメータ読込転送失敗";
constexpr char kReadStartStatus[] = "0 / %u";
constexpr char kReadStatus[] = "%u / %u";

// Device parameter write.
constexpr char kWriteWindowFailedText[] = "デバイス・パラメータ書込画面が表示できません。";
constexpr char kWriteFailedText[] = "パラメータ設定データのデバイス書込に失敗しました。\n\nErr = %02X : ";
constexpr char kWriteDetailByte[] = "%02X ";
constexpr char kWriteSucceededText[] = "パラメータ設定データは正常にデバイスに書き込まれました。";
constexpr char kWriteResultCaption[] = "デバイス書込結果";
constexpr char kFlashResourceReport[] = "フラッシュ書換リソースエラー（メモリ不足）";
constexpr char kTimerShortText[] = "タイマー・リソースが不足しています。";
constexpr char kFlashRefusedReport[] = "フラッシュ書換データ転送失敗 Err = %d";
constexpr char kWriteSilentReport[] = "更新異常(デバイス応答無)";
constexpr char kWriteSilentText[] =
    "デバイスから応答がありません。\n\nデバイスの電源を一旦OFF(しばらくしてからON)にして、再度行って下さい。";
constexpr char kWriteStatus[] = "%02Xh : %Xh";  // phase, remaining
constexpr char kWriteDoneTitle[] = "%s (100%%)";

// Automatic parameter update.
constexpr char kMcVersionRefusedReport[] = "パラメータ書換不可MCバージョン : %d.%03X(MC-CPU)";
constexpr char kAutoDefinitionLoadFailedReport[] = "自動更新用パラメータ定義ファイルの読込に失敗しました。Err = %d\n\n'%s'";
// The closing quote is missing in the words the update tool has always used; they stay as they are.
constexpr char kDefinitionChosenReport[] = "パラメータ定義ファイル・バージョン : %d.%03X(MC-CPU=%d.%03X)\n\n'%s";
constexpr char kNoFittingDefinitionReport[] = "該当パラメータ定義ファイル・バージョン無 : %d.%03X(MC-CPU)";
constexpr char kBackupSucceededReport[] = "現パラメータ定義ファイル保存成功\n\n'%s' → '%s'";
// A retry or repair run in the same run folder: the backup made before the update began is kept.
constexpr char kBackupKeptReport[] = "現パラメータ定義ファイル保存済\n\n'%s'";
constexpr char kBackupFailedReport[] = "現パラメータ定義ファイル保存失敗\n\n'%s' → '%s'\n\nErr = %d : %s";
constexpr char kBackupNoRunFolderReport[] = "現パラメータ定義ファイルは、保存先フォルダ未設定のため保存無";
constexpr char kBackupNothingInstalledReport[] =
    "現パラメータ定義ファイルは、インストール先フォルダ未設定(あるいはファイル不存在)のため保存無";
constexpr char kNewDefinitionSavedReport[] = "新パラメータ定義ファイル保存成功\n\n'%s'";
constexpr char kNewDefinitionSaveFailedReport[] = "新パラメータ定義ファイル保存失敗\n\n'%s' → '%s'\n\nErr = %d : %s";
constexpr char kNewDefinitionNoRunFolderReport[] = "新パラメータ定義ファイルは、保存先フォルダ未設定のため保存無";
constexpr char kOldParametersSavedReport[] = "現デバイスパラメータ・ファイル保存成功\n\n'%s'";
constexpr char kOldParametersNoMemoryReport[] = "現デバイスパラメータ・ファイル保存失敗（メモリ不足）";
constexpr char kOldParametersNotCreatedReport[] = "現デバイスパラメータ・ファイル保存失敗\n\n'%s'\n\nErr = %d : %s";
constexpr char kOldParametersWriteFailedReport[] = "現デバイスパラメータ・ファイル書込失敗 Err = %d";
constexpr char kOldParametersNoRunFolderReport[] = "現デバイスパラメータは、保存先フォルダ未設定のため保存無";
constexpr char kZeroValidItemReport[] = "ゼロ有効項目 CMDB%d, PAR%d, Offs = %Xh";
constexpr char kNewParametersSavedReport[] = "新デバイスパラメータ・ファイル保存成功\n\n'%s'";
constexpr char kNewParametersNoMemoryReport[] = "新デバイスパラメータ・ファイル保存失敗（メモリ不足）";
constexpr char kNewParametersNotCreatedReport[] = "新デバイスパラメータ・ファイル保存失敗\n\n'%s'\n\nErr = %d : %s";
constexpr char kNewParametersWriteFailedReport[] = "新デバイスパラメータ・ファイル書込失敗 Err = %d";
constexpr char kNewParametersNoRunFolderReport[] = "新デバイスパラメータは、保存先フォルダ未設定のため保存無";
constexpr char kInstallSucceededReport[] = "新パラメータ定義ファイル・インストール成功\n\n'%s'";
constexpr char kInstallFailedReport[] = "新パラメータ定義ファイル・インストール失敗\n\n'%s' → '%s'\n\nErr = %d : %s";
constexpr char kUpdateSucceededReport[] = "自動更新成功 Cnt = %d";
constexpr char kUpdateInstallFailedReport[] =
    "自動更新失敗 Cnt = %d\n\n新しいパラメータ定義ファイルのインストールに失敗しています。";
constexpr char kUpdateWithoutInstallReport[] = "自動更新成功 Cnt = %d\n\n（パラメータ定義ファイルは更新されません）";

// Channel list context menu.
constexpr char kMenuSelectAll[] = "すべて選択";
constexpr char kMenuSelectSameBoard[] = "同一端末ボード選択";

}  // namespace orvex::texts

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
constexpr char kNoDeviceText[] = "デバイスが接続されていません。";

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

// Channel list context menu.
constexpr char kMenuSelectAll[] = "すべて選択";
constexpr char kMenuSelectSameBoard[] = "同一端末ボード選択";

}  // namespace orvex::texts

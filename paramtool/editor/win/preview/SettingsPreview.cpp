// Opens a settings window over a plain parent, for a look at the pages, the README's screenshots
// and the time it takes to open.
//   settings_preview (DEFINITION.txt | --showcase | --generate ROWS [--tags N]) [--block B] [--page P]
//                    [--enter] [--copy] [--balloon] [--close-after MS] [--measure RUNS]
// --showcase   a built-in definition whose two pages show every kind of control
// --generate   a built-in definition whose block 1 holds ROWS rows of mixed kinds, on one
//              two-column page (or spread over N one-column pages)
// --enter      presses Enter once: the focus goes into the page and its help shows
// --copy       opens the copy dialog; --balloon shows the balloon on the parent
// --measure    prints the median time from the start of Open to the window painted, against
//              the same for the bare window template and for the floor: the window with the same
//              page's controls made by the dialog manager from one in-memory template; over RUNS
//              runs; shows nothing
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BalloonTip.h"
#include "DefinitionLoader.h"
#include "EditorIds.h"
#include "Format.h"
#include "ParameterImage.h"
#include "ParameterSettingsWindow.h"
#include "ShowMessage.h"
#include "ThemeProbe.h"
#include "Wide.h"

using namespace orvex;

namespace {

constexpr int kPreviewParent = 950;
constexpr int kPreviewButton = 951;
constexpr UINT kOpenCopy = WM_APP + 10;

const char kShowcase[] = R"([TITLE] 表示例
[CMDB1] 表示例, PAR1, 0
[CMDB2] ｱﾅﾛｸﾞ局線, PAR2, 1
[CMDB3] ｱﾅﾛｸﾞ内線, PAR3, 1
[CMDB4] INS64, PAR4, 1
[CMDB5] INS1500, PAR5, 1
[PAR1]
[TAG] 一列表示, 1
0000, 装置番号, BNR, 1, , 12, 同一システム内で装置を識別する番号です。\n1から99の範囲で設定して下さい。
0001, 保守パスワード, HEX, 2, , 1A2B, 保守用コマンドの照合に使う値です。
0003, 代表局番, BCD, 2, , 0300, 装置の代表となる局番(4桁まで)です。
0005, 装置名称, ASC, 16, , ORVEX-CTI, 保守画面に表示される装置の名称です。
0015, 応答監視時間, TBN3, 2, , 60, 着信から応答までを監視する時間です。
0017, 最小フック時間, TBC1, 2, , 30, これより短いオンフックは無視します。
0019, 時刻自動補正, CHB, 1, , 1, 着信時の時刻情報で装置の時計を補正します。
001A, 内線発信音, DDWN, 1, , 1, 内線がオフフックしたときに聞こえる音です。
0, 連続音, DLST
0, 断続音, DLST
0, ﾒﾛﾃﾞｨ, DLST
001B, ログを出力する, GCHV, 1, , 1, 保守ログを装置内に記録します。
1, 発着信ログ, GCHL, , , 1, 発信と着信を記録します。
2, エラーログ, GCHL, , , 0, 回線と装置のエラーを記録します。
001C, ログ保存先, GOP, 1, , , ログを保存する場所です。
1, 内蔵メモリ, GOPL, , , 1
2, USBメモリ, GOPL, , , 0
0BFF, 範囲外の項目, HEX, 4, , 0, 使えない項目は名前だけを表示します。
[TAG] 二列表示, 2
0020, 自動応答, CHB, 1, , 1, 着信に自動で応答します。
0021, 応答回数, BNR, 1, , 2, 自動応答するまでの呼出回数です。
0022, 着信検出, TBN0, 2, , 150, 呼出信号をこの時間続けて検出すると着信とします。
0024, 停止検出, TBN1, 2, , 60
0026, PB送出, TBC0, 2, , 100
0028, 発信音待ち, TBC2, 1, , 30
0029, 送話レベル, HEX, 1, , 0C, 送話レベルの調整値です。
002A, 誤り閾値, HEX, 4, , 00010000
002E, 内線番号, BCD, 2, , 201
0030, 接頭番号, ASC, 8, , 0, 外線発信時に先頭へ付加する番号です。
0038, ダイヤル種別, DDWN, 1, , 2, 回線の契約に合わせて選択して下さい。
0, 10PPS, DLST
0, 20PPS, DLST
0, PB(DTMF), DLST
0039, 通知する警報, GCH, 1, , , 上位アプリケーションへ通知する警報です。
1, 電源異常, GCHL, , , 1
2, 回線異常, GCHL, , , 1
3, 温度異常, GCHL, , , 0
003A, 外部同期, GOPV, 1, , 0, 装置のクロックを外部に同期させます。
1, INS64から, GOPL, , , 1
2, INS1500から, GOPL, , , 0
3, 外部端子から, GOPL, , , 0
003B, 番号表示, GCHV, 1, , 1, 発信者番号の受信を行います。
1, 番号受信, GCHL, , , 1
2, 理由受信, GCHL, , , 1
003C, 保留音, GOP, 1, , , 保留中に流す音です。
1, 内蔵音源1, GOPL, , , 1
2, 内蔵音源2, GOPL, , , 0
003D, 極性反転, CHB, 1, , 0
[PAR2]
[TAG] 着信, 2
0000, 自動応答, CHB, 1, , 1
[PAR3]
[TAG] 呼出, 2
0000, 呼出音種別, BNR, 1, , 0
[PAR4]
[TAG] 回線, 2
0000, 回線種別, BNR, 1, , 0
[PAR5]
[TAG] 回線, 2
0000, 伝送路符号, BNR, 1, , 1
)";

// Block 1 with `rows` rows that cycle through the kinds of control, on one two-column page or
// spread over `tags` one-column pages.
std::string Generated(int rows, int tags) {
  std::string text = "[CMDB1] 生成, PAR1, 0\n[PAR1]\n";
  int offset = 0;
  const int per_tag = tags > 0 ? (rows + tags - 1) / tags : rows;
  for (int row = 0; row < rows; ++row) {
    if (row % per_tag == 0)
      text += tags > 0 ? Format("[TAG] 頁%d, 1\n", row / per_tag + 1) : "[TAG] 生成, 2\n";
    switch (row % 8) {
      case 0:
        text += Format("%04X, 数値%d, BNR, 2, , %d, 説明\n", offset, row, row);
        break;
      case 1:
        text += Format("%04X, 十六進%d, HEX, 2, , %X\n", offset, row, row);
        break;
      case 2:
        text += Format("%04X, 時間%d, TBC1, 2, , %d\n", offset, row, row);
        break;
      case 3:
        text += Format("%04X, 名称%d, ASC, 8, , N%d\n", offset, row, row);
        break;
      case 4:
        text += Format("%04X, 有効%d, CHB, 1, , 1\n", offset, row);
        break;
      case 5:
        text += Format("%04X, 方式%d, DDWN, 1, , 1\n0, 甲, DLST\n0, 乙, DLST\n0, 丙, DLST\n", offset, row);
        break;
      case 6:
        text += Format("%04X, 連動%d, GCHV, 1, , 1\n", offset, row);
        break;
      case 7:
        text += Format("1, 連動A%d, GCHL, , , 1\n", row);
        break;
    }
    offset += 8;
  }
  return text;
}

// The plain parent; it takes the settings window down when told, as the main window does.
class PreviewParent : public Dialog {
 public:
  ParameterSettingsWindow* settings = nullptr;
  bool quit_on_close = true;

 protected:
  bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
    if (message == WM_SETTINGS_CLOSED) {
      if (settings != nullptr) settings->Destroy();
      if (quit_on_close) PostQuitMessage(0);
      return true;
    }
    if (message == kOpenCopy && settings != nullptr) {
      SendMessageW(GetDlgItem(settings->hwnd(), IDC_SETTINGS_COPY), BM_CLICK, 0, 0);
      return true;
    }
    return false;
  }
  void OnCancel() override { PostQuitMessage(0); }
};

INT_PTR CALLBACK BareTemplate(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// From the start of Open (the block button's click) to the window painted with its first page.
double OpenOnce(HWND parent, const ParameterDefinition& definition, ParameterImage* image, int block) {
  ParameterSettingsWindow window(block);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  if (!window.Open(GetModuleHandleW(nullptr), parent, &definition, image)) return -1;
  RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  QueryPerformanceCounter(&end);
  Pump();
  window.Destroy();
  Pump();
  return Milliseconds(start, end);
}

// The same for the window's template alone, made and shown without pages.
double BareOnce(HWND parent) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  HWND bare = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PARAMETER_SETTINGS), parent,
                                 BareTemplate, 0);
  if (bare == nullptr) return -1;
  ShowWindow(bare, SW_SHOW);
  RedrawWindow(bare, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  QueryPerformanceCounter(&end);
  Pump();
  DestroyWindow(bare);
  Pump();
  return Milliseconds(start, end);
}

// The floor of a settings window: the window and its first page's controls as they stand after
// Open, put into one in-memory dialog template (classes, styles, texts, places in dialog units of
// the window's font) that the dialog manager makes in one go. It lacks only what no template can
// hold: the drop-down lists' entries, the tooltips and the input filters.
class TemplateWriter {
 public:
  std::vector<WORD> words;

  void Word(WORD w) { words.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Text(const std::wstring& text) {
    for (wchar_t c : text) Word(static_cast<WORD>(c));
    Word(0);
  }
  void Align() {
    if (words.size() % 2) Word(0);  // DWORD alignment
  }
};

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The pages are containers: their controls go into the template directly. (A lambda cannot carry
// the callback's calling convention on 32-bit Windows.)
BOOL CALLBACK CollectControl(HWND child, LPARAM list) {
  if (ClassOf(child) != L"#32770" && IsWindowVisible(child))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<WORD> SnapshotTemplate(HWND window) {
  RECT units = {0, 0, 4, 8};
  MapDialogRect(window, &units);
  const int bx = units.right > 0 ? units.right : 1, by = units.bottom > 0 ? units.bottom : 1;
  auto dlu_x = [&](int px) { return static_cast<short>(px * 4 / bx); };
  auto dlu_y = [&](int px) { return static_cast<short>(px * 8 / by); };

  std::vector<HWND> controls;
  EnumChildWindows(window, CollectControl, reinterpret_cast<LPARAM>(&controls));

  HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  GetObjectW(font, sizeof lf, &lf);
  HDC dc = GetDC(window);
  const int points = -MulDiv(lf.lfHeight, 72, GetDeviceCaps(dc, LOGPIXELSY));
  ReleaseDC(window, dc);
  RECT client;
  GetClientRect(window, &client);

  TemplateWriter t;
  t.Word(1);  // DLGTEMPLATEEX
  t.Word(0xFFFF);
  t.Dword(0);  // help id
  t.Dword(0);  // extended style
  t.Dword((static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) | DS_SETFONT) & ~WS_VISIBLE);
  t.Word(static_cast<WORD>(controls.size()));
  t.Word(0);
  t.Word(0);
  t.Word(static_cast<WORD>(dlu_x(client.right)));
  t.Word(static_cast<WORD>(dlu_y(client.bottom)));
  t.Word(0);  // no menu
  t.Word(0);  // the dialog class
  t.Text(TextOf(window));
  t.Word(static_cast<WORD>(points));
  t.Word(static_cast<WORD>(lf.lfWeight));
  t.Word(static_cast<WORD>(lf.lfItalic | (lf.lfCharSet << 8)));
  t.Text(lf.lfFaceName);
  for (HWND c : controls) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    t.Align();
    t.Dword(0);
    t.Dword(static_cast<DWORD>(GetWindowLongW(c, GWL_EXSTYLE)));
    t.Dword(static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE)));
    t.Word(static_cast<WORD>(dlu_x(r.left)));
    t.Word(static_cast<WORD>(dlu_y(r.top)));
    t.Word(static_cast<WORD>(dlu_x(r.right - r.left)));
    t.Word(static_cast<WORD>(dlu_y(r.bottom - r.top)));
    t.Dword(static_cast<DWORD>(GetDlgCtrlID(c)));
    t.Text(ClassOf(c));
    t.Text(TextOf(c));
    t.Word(0);  // no creation data
  }
  return t.words;
}

double TemplateOnce(HWND parent, const std::vector<WORD>& dialog) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  HWND floor = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                          reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), parent,
                                          BareTemplate, 0);
  if (floor == nullptr) return -1;
  ShowWindow(floor, SW_SHOW);
  RedrawWindow(floor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  QueryPerformanceCounter(&end);
  Pump();
  DestroyWindow(floor);
  Pump();
  return Milliseconds(start, end);
}

std::vector<WORD> TemplateOfOpenedWindow(HWND parent, const ParameterDefinition& definition,
                                         ParameterImage* image, int block) {
  ParameterSettingsWindow window(block);
  if (!window.Open(GetModuleHandleW(nullptr), parent, &definition, image)) return {};
  RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  std::vector<WORD> dialog = SnapshotTemplate(window.hwnd());
  Pump();
  window.Destroy();
  Pump();
  return dialog;
}

// The three in turn, so that all meet the same load of a shared machine; the first round only
// warms up (fonts, window classes).
int Measure(HWND parent, const ParameterDefinition& definition, ParameterImage* image, int block, int runs) {
  const std::vector<WORD> dialog = TemplateOfOpenedWindow(parent, definition, image, block);
  if (dialog.empty()) return 1;
  std::vector<double> bare, floor, open, ratio;
  for (int run = 0; run <= runs; ++run) {
    const double b = BareOnce(parent);
    const double f = TemplateOnce(parent, dialog);
    const double o = OpenOnce(parent, definition, image, block);
    if (b < 0 || f < 0 || o < 0) return 1;
    if (run == 0) continue;
    bare.push_back(b);
    floor.push_back(f);
    open.push_back(o);
    ratio.push_back(o / f);
  }
  std::printf("bare window %.1f ms, template floor %.1f ms, settings window %.1f ms, ratio %.2f (medians of %d)\n",
              Median(bare), Median(floor), Median(open), Median(ratio), runs);
  return 0;
}

}  // namespace

// A lambda cannot carry the callback's calling convention on 32-bit Windows.
static void CALLBACK QuitOnTimer(HWND, UINT, UINT_PTR, DWORD) {
  PostQuitMessage(0);
}

int main(int argc, char** argv) {
  std::string path;
  std::string text;
  int block = 1, page = 0, close_after = 0, measure = 0, rows = 0, tags = 0;
  bool copy = false, balloon = false, enter = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
    if (arg == "--showcase")
      text = kShowcase;
    else if (arg == "--generate")
      rows = next();
    else if (arg == "--tags")
      tags = next();
    else if (arg == "--block")
      block = next();
    else if (arg == "--page")
      page = next();
    else if (arg == "--copy")
      copy = true;
    else if (arg == "--enter")
      enter = true;
    else if (arg == "--balloon")
      balloon = true;
    else if (arg == "--close-after")
      close_after = next();
    else if (arg == "--measure")
      measure = next();
    else
      path = arg;
  }
  if (rows > 0) text = Generated(rows, tags);

  DefinitionLoad load = text.empty() ? LoadDefinition(path) : LoadDefinitionFromMemory(text);
  if (load.result != kDefinitionLoaded) {
    std::fprintf(stderr, "settings_preview: cannot load the definition (%d)\n", load.result);
    return 2;
  }
  ProbeThemeActive();
  InstallSettingsWindowKeys();
  auto image = std::make_unique<ParameterImage>();
  BuildImage(*load.definition, image.get());

  PreviewParent parent;
  if (!parent.Create(GetModuleHandleW(nullptr), kPreviewParent, nullptr)) return 3;
  if (measure > 0) return Measure(parent.hwnd(), *load.definition, image.get(), block, measure);

  ShowWindow(parent.hwnd(), SW_SHOW);
  if (balloon) {
    static BalloonTip tip;
    tip.SetMargins(-1, -1, 25, 10);
    tip.Show(parent.hwnd(), "変更したパラメータは、デバイス書込ボタンをクリックすることで登録されます。", 102,
             38, true, 0);
  }
  ParameterSettingsWindow window(block);
  if (!balloon) {
    if (!window.Open(GetModuleHandleW(nullptr), parent.hwnd(), load.definition.get(), image.get())) return 1;
    parent.settings = &window;
    if (page > 0)
      SendDlgItemMessageW(window.hwnd(), IDC_SETTINGS_TAB, TCM_SETCURFOCUS, static_cast<WPARAM>(page), 0);
    if (enter) PostMessageW(window.hwnd(), WM_COMMAND, IDOK, 0);
    if (copy) PostMessageW(parent.hwnd(), kOpenCopy, 0, 0);
  }
  if (close_after > 0)
    SetTimer(nullptr, 0, static_cast<UINT>(close_after), QuitOnTimer);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (parent.TranslateDialogKeys(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  window.Destroy();
  return 0;
}

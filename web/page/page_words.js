// The words only the page has (the window's own come from the core and from its translation
// file): Japanese first, as the window speaks, and English.
export const pageWords = {
  ja: {
    language: "English",
    languageTitle: "Show the page in English",
    choosePort: "無線機のポートを選ぶ",
    noPortChosen: "ポートが選ばれていません",
    portUnplugged: "（接続されていません）",
    openFile: "ファイルを開く...",
    dropHint: "ファイルをこのページにドロップしても開けます",
    loaded: "読み込んだファームウェア",
    file: "ファイル",
    blocks: "送るブロック",
    checksum: "CHECK SUM (C000-FFFF)",
    sha256: "SHA-256",
    records: "サービス記録（このブラウザーに保存）",
    download: "JSON Lines で保存",
    noRecords: "まだ書き換えの記録はありません。",
    port: "ポート",
    ok: "OK",
    cancel: "Cancel",
    noSerial:
      "このブラウザーはシリアルポートを使えません。Chrome、Edge または Opera（バージョン 89 以降）でこのページを開いてください。Windows、macOS、Linux、ChromeOS で使えます。",
    notSecure:
      "シリアルポートは https または localhost から開いたページでだけ使えます。このページを https のアドレスで開いてください。",
    noPortCause: "ポートが選ばれていません。「無線機のポートを選ぶ」を押してください",
    leaveWarning: "書き換え中です。ページを閉じると無線機のファームウェアが不完全なままになります。",
    readError: "ファイルを読めませんでした",
  },
  en: {
    language: "日本語",
    languageTitle: "ページを日本語で表示",
    choosePort: "Choose the radio's port",
    noPortChosen: "no port chosen",
    portUnplugged: " (not connected)",
    openFile: "Open a file...",
    dropHint: "or drop a firmware file on the page",
    loaded: "Loaded firmware",
    file: "File",
    blocks: "Blocks to send",
    checksum: "CHECK SUM (C000-FFFF)",
    sha256: "SHA-256",
    records: "Service records (kept in this browser)",
    download: "Download as JSON lines",
    noRecords: "No rewrites recorded in this browser yet.",
    port: "Port",
    ok: "OK",
    cancel: "Cancel",
    noSerial:
      "This browser cannot use serial ports. Open this page in Chrome, Edge or Opera (version 89 or later) on Windows, macOS, Linux or ChromeOS.",
    notSecure:
      "Serial ports are open only to pages served over https or from localhost. Open this page at its https address.",
    noPortCause: "no port chosen: press \"Choose the radio's port\"",
    leaveWarning:
      "A rewrite is running. Leaving the page leaves the radio without complete firmware.",
    readError: "the file could not be read",
  },
};

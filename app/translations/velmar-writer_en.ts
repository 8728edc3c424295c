<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>velmar</name>
    <message>
        <source>行番号</source>
        <translation>Line number</translation>
    </message>
    <message>
        <source>設定 / ポートの割り当て...</source>
        <translation>Settings / Port assignment...</translation>
    </message>
    <message>
        <source>L出力</source>
        <translation>Output L</translation>
    </message>
    <message>
        <source>H出力</source>
        <translation>Output H</translation>
    </message>
    <message>
        <source>L入力</source>
        <translation>Input L</translation>
    </message>
    <message>
        <source>H入力</source>
        <translation>Input H</translation>
    </message>
    <message>
        <source>ピン番号に制御文字が含まれています。何も送信しませんでした。</source>
        <translation>The pin number contains a control character. Nothing was sent.</translation>
    </message>
    <message>
        <source>接続しました</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>接続に失敗しました</source>
        <translation>Connection failed</translation>
    </message>
    <message>
        <source>消去しました</source>
        <translation>Erased</translation>
    </message>
    <message>
        <source>消去に失敗しました</source>
        <translation>Erase failed</translation>
    </message>
    <message>
        <source>書込成功</source>
        <translation>Write succeeded</translation>
    </message>
    <message>
        <source>書込失敗</source>
        <translation>Write failed</translation>
    </message>
    <message>
        <source>切断しました</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>切断に失敗しました</source>
        <translation>Disconnect failed</translation>
    </message>
    <message>
        <source>中断</source>
        <translation>Interrupted</translation>
    </message>
    <message>
        <source>書き換えが結果まで届きませんでした。無線機は消去されたか書きかけの可能性があります。もう一度書き換えてください</source>
        <translation>the rewrite never reached its result: the radio may be erased or part-written; rewrite it again</translation>
    </message>
</context>
<context>
    <name>velmar::PortAssignmentDialog</name>
    <message>
        <source>自動</source>
        <translation>automatic</translation>
    </message>
    <message>
        <source>ポートの割り当て</source>
        <translation>Port assignment</translation>
    </message>
    <message>
        <source>COM の各エントリが開く装置を選んでください。保存した USB アダプターは、差し直した後もメーカーとシリアル番号で見つけ直します。
一覧にない装置はパスを入力してください。「自動」は次につながっている装置を使います。</source>
        <translation>Choose the device each COM entry opens. A saved USB adapter is found again by its make and serial number after re-plugging.
Type a path to use a device that is not listed; &quot;automatic&quot; takes the next connected device.</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>再検索</source>
        <translation>Rescan</translation>
    </message>
    <message>
        <source>VELMAR_COM%1=%2 が優先されます</source>
        <translation>VELMAR_COM%1=%2 overrides this</translation>
    </message>
    <message>
        <source>現在: 装置なし</source>
        <translation>now: no device</translation>
    </message>
    <message>
        <source>現在: %1</source>
        <translation>now: %1</translation>
    </message>
    <message>
        <source>割り当てを保存できませんでした。設定ファイルに書き込めません。</source>
        <translation>The assignments could not be saved; the settings file is not writable.</translation>
    </message>
</context>
<context>
    <name>velmar::LanguageMenu</name>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
</context>
<context>
    <name>velmar::StatusPanel</name>
    <message>
        <source>ファームウェア未読み込み</source>
        <translation>no firmware loaded</translation>
    </message>
    <message>
        <source>CHECK SUM %1  SHA-256 %2  %3 ブロック</source>
        <translation>CHECK SUM %1  SHA-256 %2  %3 blocks</translation>
    </message>
    <message>
        <source>無線機に接続しています</source>
        <translation>Connecting to the radio</translation>
    </message>
    <message>
        <source>フラッシュを消去しています</source>
        <translation>Erasing the flash</translation>
    </message>
    <message>
        <source>ブロック %1 / %2 を書き込み中  %3 %</source>
        <translation>Writing block %1 of %2  %3 %</translation>
    </message>
    <message>
        <source>  残り %1 秒</source>
        <translation>  %1 s left</translation>
    </message>
    <message>
        <source>セッションを終了しています</source>
        <translation>Ending the session</translation>
    </message>
    <message>
        <source>%1  COM %2 %3  %4 / %5 ブロック  %6 秒  %7</source>
        <translation>%1  COM %2 %3  %4 of %5 blocks  %6 s  at %7</translation>
    </message>
    <message>
        <source>(装置なし)</source>
        <translation>(no device)</translation>
    </message>
    <message>
        <source>ファイル: %1
CHECK SUM (C000-FFFF): %2
ポート: COM %3 %4</source>
        <translation>File: %1
CHECK SUM (C000-FFFF): %2
Port: COM %3 %4</translation>
    </message>
    <message>
        <source>COM %1 には装置がつながっていません。
このまま書き換えると接続に失敗します。</source>
        <translation>COM %1 has no device connected.
The rewrite will fail to connect.</translation>
    </message>
    <message>
        <source>サービス記録</source>
        <translation>Service records</translation>
    </message>
    <message>
        <source>すべての結果</source>
        <translation>All results</translation>
    </message>
    <message>
        <source>記録のフォルダーを開く</source>
        <translation>Open the log&apos;s folder</translation>
    </message>
    <message>
        <source>%1 件、新しい順、%2 から</source>
        <translation>%1 entries, newest first, from %2</translation>
    </message>
    <message>
        <source>%1 にはまだ書き換えの記録がありません</source>
        <translation>No rewrites logged yet in %1</translation>
    </message>
    <message>
        <source>  (記録でない %1 行を読み飛ばしました)</source>
        <translation>  (%1 line(s) that are not entries skipped)</translation>
    </message>
    <message>
        <source>%1 を読めません</source>
        <translation>Cannot read %1</translation>
    </message>
    <message>
        <source>日時</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>結果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>CHECK SUM</source>
        <translation>CHECK SUM</translation>
    </message>
    <message>
        <source>ポート</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>装置</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>ブロック</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>Seconds</translation>
    </message>
    <message>
        <source>（未接続）</source>
        <translation> (not connected)</translation>
    </message>
    <message>
        <source>装置がつながっていません</source>
        <translation>no device connected</translation>
    </message>
    <message>
        <source>何も開きません。保存した割り当てを読めません（理由は velmar-fw ports で分かります）</source>
        <translation>opens nothing: its saved assignment cannot be read (velmar-fw ports says why)</translation>
    </message>
</context>
<context>
    <name>velmar::frmMain</name>
    <message>
        <source>サービス記録...</source>
        <translation>Service records...</translation>
    </message>
    <message>
        <source>The original version</source>
        <translation>The original version</translation>
    </message>
    <message>
        <source>Previous version 1.05</source>
        <translation>Previous version 1.05</translation>
    </message>
    <message>
        <source>Version 1.06 or later</source>
        <translation>Version 1.06 or later</translation>
    </message>
    <message>
        <source>COM Port</source>
        <translation>COM Port</translation>
    </message>
    <message>
        <source>接続</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>消去</source>
        <translation>Erase</translation>
    </message>
    <message>
        <source>書き込み</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>切断</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>アドレス</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>マ</source>
        <translation>M</translation>
    </message>
    <message>
        <source>書込</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>通信速度</source>
        <translation>Line speed</translation>
    </message>
    <message>
        <source>ポートの制御</source>
        <translation>Port control</translation>
    </message>
    <message>
        <source>L出力</source>
        <translation>Output L</translation>
    </message>
    <message>
        <source>H出力</source>
        <translation>Output H</translation>
    </message>
    <message>
        <source>入力</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>読む</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>COMポート</source>
        <translation>COM port</translation>
    </message>
    <message>
        <source>ポートの割り当て...</source>
        <translation>Port assignment...</translation>
    </message>
    <message>
        <source>接続</source>
        <comment>narrow button</comment>
        <translation>Conn.</translation>
    </message>
    <message>
        <source>切断</source>
        <comment>narrow button</comment>
        <translation>Disc.</translation>
    </message>
</context>
</TS>

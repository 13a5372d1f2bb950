#include "commands.h"

#include <QHash>

namespace {

// The string table: status-bar prompt, then "\n" and the tool tip.
const QHash<int, QString>& CommandStrings()
{
    static const QHash<int, QString> strings = {
        {ID_BUILD_AND_RUN, QStringLiteral("ビルドして実行する\n実行")},
        {ID_DELETE_REGISTRY, QStringLiteral("レジストリの削除\nレジストリの削除")},
        {ID_COPY_SCRIPT, QStringLiteral("色付き文字のスクリプトをコピー\nスクリプトをコピー")},
        {ID_OPEN_LAST_SOURCE,
         QStringLiteral(
             "サンプルをコーディングしたり改造したりして最後に使ったMain.asファイルを開く")},
        {ID_CHECK_TUTORIAL,
         QStringLiteral("テンプレートにページを順に当てはめて、チュートリアルの問題を探す\n"
                        "チュートリアルの検査")},
        {ID_GOTO_PAGE,
         QStringLiteral("ページを表示し、そのページを始めるときのソースをエディタに入れる\n"
                        "ページへ移動")},
        {ID_RESTART_PAGE,
         QStringLiteral("エディタを、表示中のページを始めたときのソースに戻す\nこのページをやり直す")},
        {ID_RECORD_PAGE,
         QStringLiteral("エディタでの変更から、表示中のページの設定を作る\n変更をこのページに記録")},
        {ID_VIEW_PAGE_LIST,
         QStringLiteral("チュートリアルのページと設定、検査の結果を一覧で表示\nページ一覧")},
        {ID_FILE_NEW, QStringLiteral("新規にファイルを作成\n新規ファイル")},
        {ID_FILE_OPEN, QStringLiteral("既存のファイルを開く\n開く")},
        {ID_FILE_SAVE, QStringLiteral("作業中のファイルを上書きして保存\n保存")},
        {ID_FILE_SAVE_AS, QStringLiteral("作業中のファイルを新しい名前で保存\n名前をつけて保存")},
        {ID_FILE_MRU_FILE1, QStringLiteral("指定のファイルを開く")},
        {ID_EDIT_COPY, QStringLiteral("選択範囲をコピーしてクリップボードに保存\nコピー")},
        {ID_EDIT_CUT, QStringLiteral("選択範囲を切り取ってクリップボードに保存\n切り取り")},
        {ID_EDIT_PASTE, QStringLiteral("クリップボードの内容を貼り付け\n貼り付け")},
        {ID_EDIT_UNDO, QStringLiteral("直前に行った動作を元に戻す\n元に戻す")},
        {ID_APP_ABOUT,
         QStringLiteral("プログラム情報、バージョン、著作権を表示します。\nバージョン情報")},
        {ID_APP_EXIT, QStringLiteral("アプリケーションを終了し、ファイルの保存を指示\n終了")},
        {ID_NEXT_PANE, QStringLiteral("次のウィンドウに切り替える\n次のペイン")},
        {ID_PREV_PANE, QStringLiteral("前のウィンドウに切り替える\n前のペイン")},
        {ID_VIEW_TOOLBAR, QStringLiteral("ツール バーの 表示/非表示\nツール バーの表示切り替え")},
        {ID_VIEW_STATUS_BAR,
         QStringLiteral("ステータス バーの表示/非表示\nステータス バーの表示切り替え")},
    };
    return strings;
}

} // namespace

QString CommandString(int id)
{
    // Every recent-file entry shares the string of the first.
    if (id > ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + 16)
        id = ID_FILE_MRU_FILE1;
    return CommandStrings().value(id);
}

QString CommandPrompt(int id)
{
    return CommandString(id).section(QLatin1Char('\n'), 0, 0);
}

QString CommandToolTip(int id)
{
    const QString string = CommandString(id);
    const int lineBreak = string.indexOf(QLatin1Char('\n'));
    return lineBreak < 0 ? QString() : string.mid(lineBreak + 1);
}

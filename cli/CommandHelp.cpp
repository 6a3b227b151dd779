#include "cli/CommandHelp.h"

namespace tabrix::cli {

namespace {
const OptionHelp kOverwrite{"--overwrite", "OUT 已存在时替换它（没有此选项时，已存在的 OUT 不会被改动，命令以退出码 1 结束）"};
const OptionHelp kLenient{"--lenient", "比较关键列和各列的值时忽略首尾空格（含全角空格、不换行空格和制表符），全角字母、数字和符号"
                                       "视同半角；写入结果的值保持原样"};

const char* const kExitCodes = "退出码: 0 完成; 1 输入被拒绝（消息说明原因）; 2 失败（消息说明哪里出错，OUT 下不会留下不完整的结果）";

const char* const kGlobalOptions[][2] = {
    {"--help", "显示帮助；放在命令之后显示该命令的帮助"},
    {"--version", "显示版本"},
    {"--quiet", "不输出处理信息和进度，只输出结束时的消息（供脚本使用）"},
    {"--password-file FILE", "设有密码的工作簿用 FILE 第一行的密码打开；也可用环境变量 TABRIX_PASSWORD，"
                             "都没有时在终端上询问（不回显）。密码不能写在命令行上。转换与另存时结果按原密码加密保存"},
};
} // namespace

const std::vector<CommandHelp>& commands() {
    static const std::vector<CommandHelp> list = {
        {"sheets", "BOOK", "列出工作簿中的工作表（每行一个，按工作簿顺序）",
         "按工作簿中的顺序，每行输出一个工作表名称（图表工作表不列出）。",
         {}},
        {"columns", "BOOK SHEET", "列出工作表已用区域的列字母",
         "每行输出工作表已用区域中一列的列字母（A、B …… Z、AA ……），与“拆分数据”页的列选择相同。",
         {}},
        {"dump", "BOOK [SHEET]", "以制表符分隔输出单元格（地址、类型、值、公式）",
         "输出每个非空单元格：地址<TAB>类型<TAB>值[<TAB>=公式]，每个工作表前有一行 # sheet 名称 rows=R cols=C。"
         "类型: n 数字, d 日期格式的数字（序列值）, s 文本（\\t \\n \\\\ 转义）, b 逻辑值, e 错误值。",
         {}},
        {"merge-sheets", "SRC OUT [--start-row N] [--sheet-name-column] [--by-header] [--overwrite]",
         "把 SRC 的所有工作表合并为 OUT 的一个工作表",
         "把 SRC 每个工作表的数据行依次复制到新工作簿 OUT 的第一个工作表中；开始行不是 1 时，第 1 行作为标题只取一次，"
         "标题与第一个工作表不同的工作表在处理信息中注明。",
         {{"--start-row N", "从第 N 行开始处理数据（默认 2）"},
          {"--sheet-name-column", "在 A 列写入每行所属的原工作表名称"},
          {"--by-header", "按标题名称对齐列（忽略首尾空格、全角半角和大小写）；第一个工作表没有的标题加在最后；开始行须大于 1"},
          kOverwrite}},
        {"merge-folder", "DIR OUT [--start-row N] [--name-columns] [--by-header] [--as-sheets] [--ext xls|xlsx] [--overwrite]",
         "把文件夹中的工作簿合并为 OUT",
         "按文件名顺序（不区分大小写）合并 DIR 中扩展名正好是 .EXT 的工作簿：默认把每个工作表的数据行依次复制到新工作簿 OUT "
         "的第一个工作表中，开始行不是 1 时第 1 行作为标题只取一次；--as-sheets 时把第一个工作簿复制为 OUT，"
         "再把其余工作簿的每个工作表复制到它的最后。OUT 不能在 DIR 中；有工作簿无法读取时合并停止，不保存结果。",
         {{"--start-row N", "从第 N 行开始处理数据（默认 2；只用于合并到一个工作表）"},
          {"--name-columns", "在 A、B 列写入每行所属的原文件名（不含扩展名）和工作表名称"},
          {"--by-header", "按标题名称对齐列（只用于合并到一个工作表；开始行须大于 1）"},
          {"--as-sheets", "合并为多个工作表"},
          {"--ext xls|xlsx", "合并哪种格式的工作簿（默认为 OUT 的扩展名）"},
          kOverwrite}},
        {"find", "BOOK SHEET TEXT OUT [--overwrite]", "把工作表中含有 TEXT 的行写入 OUT",
         "在 SHEET 的单元格中查找 TEXT（包含即可，不区分大小写，* ? 为通配符，~ 转义；也查找单元格显示的文本），"
         "把每个含有它的行按原顺序写入 OUT 的“查找结果”工作表，每行一次。",
         {kOverwrite}},
        {"compare", "BOOK1 SHEET1 BOOK2 SHEET2 OUT [--pairs K1=K2[,A1=A2...]] [--changes] [--lenient] [--overwrite]",
         "比较两个工作表，写出相同的行和各自不同的行",
         "在 OUT 中写三个工作表：“相同的数据”（BOOK2 的 SHEET2 中在 SHEET1 里有完全相同行的行），"
         "以及两个“不同的数据”工作表（各自在另一个工作表中没有完全相同行的行）。"
         "默认以 A 列为关键列查找（按文本，大小写不计，* ? ~ 只代表其本身），其余各列按位置比较："
         "数字按数值、文本按字符（区分大小写），数字与文本不相等，空单元格与空文本、0 相等。"
         "两个文件都是 xls 或都是 xlsx；OUT 的格式由其扩展名决定。",
         {{"--pairs K1=K2[,A1=A2...]",
           "增强比较：按列的对应关系比较。每对是第一个工作表的列字母=第二个工作表的列字母，第一对是关键列；"
           "复制的每行右边一列写入它在原工作表中的行号"},
          {"--changes", "再写一个“变化的数据”工作表：SHEET2 中没有完全相同行、但关键列的值在 SHEET1 里有的行，"
                        "与 SHEET1 中最接近的那一行上下成对列出，值不同的单元格填充浅色"},
          kLenient,
          kOverwrite}},
        {"clear", "DATA SHEET REMOVE RSHEET OUT [--lenient] [--overwrite]", "从 DATA 的工作表中清除 REMOVE 工作表里的行",
         "把 DATA 的 SHEET 中在 REMOVE 的 RSHEET 里找不到完全相同的行（A 列相同且其余各列相等）的行，按原顺序写入 OUT。",
         {kLenient, kOverwrite}},
        {"split-sheets", "SRC OUTDIR [--ext xls|xlsx]", "把 SRC 的每个工作表存为以工作表名命名的工作簿",
         "把 SRC 的每个工作表（图表工作表除外）分别保存为 OUTDIR 中的一个工作簿，文件名为工作表名；"
         "OUTDIR 不存在时创建，其中不能已有该格式的工作簿。不能用作文件名的名称改为可用的名称，并写入处理信息。",
         {{"--ext xls|xlsx", "结果工作簿的格式（默认与 SRC 相同）"}}},
        {"split-column", "SRC SHEET COLUMN (--to-folder DIR | --to-book OUT) [--drop-column] [--ext xls|xlsx] [--overwrite]",
         "按一列的内容拆分工作表",
         "按 COLUMN 列（列字母）排序 SRC 的工作表 SHEET，每个不同的内容拆出一份：--to-folder 时每份一个工作簿，"
         "保存在 DIR 中（DIR 中不能已有该格式的工作簿）；--to-book 时每份一个工作表，保存在 OUT 中。"
         "有标题行时每份都带标题行；拆分条件为空的行归入“空白”；不能用作文件名或工作表名、或与前面重名的名称"
         "改为可用且不重复的名称，并写入处理信息。",
         {{"--to-folder DIR", "拆分成多个工作簿（文件）"},
          {"--to-book OUT", "拆分成一个工作簿中的多个工作表"},
          {"--drop-column", "拆分后新工作表中不包含拆分条件的列"},
          {"--ext xls|xlsx", "结果的格式（默认：--to-book 时为 OUT 的扩展名，--to-folder 时与 SRC 相同）"},
          kOverwrite}},
        {"convert", "SRC_DIR DST_DIR --to xlsx|xls", "把文件夹中的工作簿转换为另一种格式",
         "把 SRC_DIR 中每个 .xls（或 .xlsx）工作簿转换为另一种格式，保存到 DST_DIR；DST_DIR 中不能已有目标格式的工作簿。"
         "不能转换的文件写入处理信息，其余文件继续转换。",
         {{"--to xlsx|xls", "目标格式：xlsx（2007版）或 xls（2003及以前版）"}}},
        {"save-as", "BOOK OUT [--format xlsx|xls]", "另存一个工作簿",
         "把 BOOK 另存为 OUT，并列出目标格式不能保存的内容。",
         {{"--format xlsx|xls", "目标格式（默认由 OUT 的扩展名决定）"}}},
    };
    return list;
}

const CommandHelp* helpFor(const std::string& name) {
    for (const CommandHelp& c : commands())
        if (name == c.name) return &c;
    return nullptr;
}

std::string overview() {
    std::string out = "用法: tabrix-cli 命令 参数... [--quiet]\n       tabrix-cli 命令 --help\n\n命令:\n";
    for (const CommandHelp& c : commands()) {
        const std::string synopsis = std::string(c.name) + " " + c.arguments;
        out += "  " + synopsis + "\n      " + c.summary + "\n";
    }
    out += "\n选项:\n";
    for (const auto& option : kGlobalOptions) out += "  " + std::string(option[0]) + "  " + option[1] + "\n";
    return out + "\n" + kExitCodes + "\n";
}

std::string commandText(const CommandHelp& c) {
    std::string out = "用法: tabrix-cli " + std::string(c.name) + " " + c.arguments + "\n\n" + c.details + "\n";
    if (!c.options.empty()) {
        out += "\n选项:\n";
        for (const OptionHelp& o : c.options) out += "  " + std::string(o.name) + "\n      " + o.text + "\n";
    }
    return out + "  --quiet\n      " + kGlobalOptions[2][1] + "\n\n" + kExitCodes + "\n";
}

namespace {
// roff treats a leading "." or "'" as a request and "\" as an escape.
std::string roff(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\\') out += "\\e";
        else if (ch == '-') out += "\\-";
        else out += ch;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
    return out;
}
} // namespace

std::string manPage(const std::string& version) {
    // Left-adjusted: justified Chinese text would be spread over wide gaps.
    std::string out = ".TH TABRIX\\-CLI 1 \"\" \"Tabrix " + version + "\" \"Tabrix\"\n.ad l\n";
    out += ".SH NAME\ntabrix\\-cli \\- Excel 工作簿的合并、拆分、比较、查找与版本转换（命令行）\n";
    out += ".SH SYNOPSIS\n.B tabrix\\-cli\n.I command arguments\n.RB [ \\-\\-quiet ]\n";
    out += ".SH DESCRIPTION\n"
           "tabrix\\-cli 在命令行上完成 Tabrix 窗口各页的操作，检查、消息与结果与窗口相同。"
           "处理信息输出到标准输出；在终端上，长时间的操作在标准错误上显示进度条。"
           "结果总是写入新的文件，原文件不会被改动。\n";
    out += ".SH COMMANDS\n";
    for (const CommandHelp& c : commands()) {
        out += ".TP\n.B " + roff(c.name) + " " + roff(c.arguments) + "\n" + roff(c.details) + "\n";
        for (const OptionHelp& o : c.options) out += ".RS\n.TP\n.B " + roff(o.name) + "\n" + roff(o.text) + "\n.RE\n";
    }
    out += ".SH OPTIONS\n";
    for (const auto& option : kGlobalOptions) out += ".TP\n.B " + roff(option[0]) + "\n" + roff(option[1]) + "\n";
    out += ".SH \"EXIT STATUS\"\n" + roff(kExitCodes) + "\n";
    out += ".SH \"SEE ALSO\"\n.BR tabrix (1)\n";
    return out;
}

} // namespace tabrix::cli

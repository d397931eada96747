#include "ui/row_description.h"

#include "report/resource_strings.h"
#include "res/resource.h"

std::string DescribeRow(const RowStyle& style, const std::string& verdict)
{
    std::string text = GetResourceString(style.bold ? IDS_ROW_CALIBRATION : IDS_ROW_NO_CALIBRATION);
    if (style.italic)
        text += std::string(" ") + GetResourceString(IDS_ROW_NOT_FROM_MAKER);
    if (!verdict.empty())
        text += " " + verdict;
    return text;
}

// The page layer's names (page/: charts, tables, the HTML page), as the report's sections use them.
#pragma once

#include "page/chart.h"
#include "page/html_page.h"
#include "page/svg_text.h"
#include "page/table.h"
#include "page/ticks.h"

namespace raingen::report {

using page::Axis;
using page::AxisRange;
using page::Band;
using page::band_cell;
using page::Bar;
using page::BarSet;
using page::Cell;
using page::Chart;
using page::coordinate;
using page::display_number;
using page::escape;
using page::fixed_label;
using page::HtmlPage;
using page::Line;
using page::linear_axis;
using page::log_axis;
using page::number_cell;
using page::percent_cell;
using page::Point;
using page::render_svg;
using page::Scale;
using page::Table;
using page::table_html;
using page::text_cell;
using page::Tick;

}  // namespace raingen::report

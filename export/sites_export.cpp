#include "export/sites_export.hpp"

#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "companion/command_line.hpp"
#include "companion/model_site.hpp"
#include "companion/output_file.hpp"
#include "companion/progress.hpp"
#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "curve/csv_rows.hpp"
#include "curve/curve_tables.hpp"
#include "curve/file_text.hpp"
#include "curve/model_curve.hpp"
#include "curve_export/curve_export.hpp"
#include "model/model.hpp"

namespace curve_export {

namespace {

// The table is handed to the file in pieces of about this size.
constexpr std::size_t TABLE_BUFFER_BYTES = std::size_t{1} << 22;

// A held signal came: the run stops between two sites, its temporary file
// is removed, and the signal then ends the program.
struct Interrupted {};

std::string quoted_name(std::string_view name) { return "\"" + console::shown_text(name) + "\""; }

class SitesExport {
 public:
  SitesExport(const SitesRequest& request, std::string_view program, std::size_t& rows)
      : rows_(rows),
        request_(request),
        program_(program),
        file_(console::shown_text(request.sites.string())),
        model_name_(request.model.string()),
        model_title_(request.model.filename().string()),
        progress_(std::string(program)) {
    guard_.add_input(request.model, request.global ? "model file" : "coefficient file");
    guard_.add_input(request.sites, "sites file");
    // Writing curve files is the point of --format dat.
    if (request.format == Format::dat) guard_.allow_curve_file_name();
  }

  int run() {
    // Every site's files lie in the pattern's folder: said once, before any
    // site is computed.
    if (request_.format != Format::csv && request_.output) {
      try {
        companion::check_pattern_folder(*request_.output, "--output");
      } catch (const companion::OutputError& e) {
        report(e.what());
        return companion::FAILED;
      }
    }
    if (request_.format == Format::csv) {
      table_name_ =
          request_.output ? csv_file_name(*request_.output) : sites_table_name(request_.sites);
      try {
        guard_.check(table_name_, "table");
      } catch (const companion::OutputError& e) {
        report(std::string(e.what()) + "; give another --output");
        return companion::FAILED;
      }
    }
    // The regional model is read here; a global one was opened by the caller.
    std::optional<model::Model> regional;
    if (!request_.global) regional.emplace(request_.model);
    const std::size_t epochs = request_.global ? request_.years.size() : model::EPOCHS;
    curve::InputFileBuffer input(request_.sites);
    curve::SitesReader reader(input, file_);
    std::optional<curve::SiteRow> row = reader.next();
    if (!row) {
      report(file_ + " has no rows below its header; nothing to export");
      return companion::FAILED;
    }
    if (request_.format == Format::csv) {
      table_ = std::make_unique<companion::OutputFile>(guard_, table_name_, "table");
      if (request_.global) {
        // The columns of the curve, with errors where a sigma is given.
        table_text_ = model_csv_comment(companion::shared_source(*request_.global), std::nullopt,
                                        request_.sigma.has_value()) +
                      "\nname,lat,lon," + curve::curve_table_header(request_.sigma.has_value()) +
                      "\n";
      } else {
        table_text_ = std::string(SITES_CSV_HEADER) + "\n";
      }
    }
    std::size_t& rows = rows_;
    while (row) {
      if (signals_.any_pending()) throw Interrupted{};
      ++rows;
      if (!(regional ? export_site(*regional, *row) : export_site(*request_.global, *row))) {
        failed_ = true;
      }
      if (progress_.due()) {
        const std::uint64_t size = input.size();
        progress_.show(std::to_string(rows) + " sites done" +
                       (size > 0 ? ", " + std::to_string(100 * input.bytes_read() / size) +
                                       "% of " + file_ + " read"
                                 : ""));
      }
      try {
        row = reader.next();
      } catch (const curve::FileReadError& e) {
        report(e.what());
        failed_ = true;
        row.reset();
      }
    }
    progress_.clear();
    if (signals_.any_pending()) throw Interrupted{};
    if (table_) {
      table_->write(table_text_);
      table_->commit();
      // A table on standard output is all that goes there.
      if (!companion::is_standard_output(table_name_)) {
        std::cout << "Exported to " << console::shown_text(table_name_) << ": " << exported_
                  << (exported_ == 1 ? " site, " : " sites, ") << exported_ * epochs << " rows\n";
      }
    }
    if (exported_ < rows) {
      report(file_ + ": " + std::to_string(rows - exported_) + " of " + std::to_string(rows) +
             (rows == 1 ? " site" : " sites") + " not exported");
    }
    return failed_ ? companion::FAILED : 0;
  }

 private:
  void report(std::string_view message) {
    progress_.clear();
    companion::report(program_, message);
  }

  // Exports one row's site; false when it is not exported (said).
  template <typename Model>
  bool export_site(const Model& model, const curve::SiteRow& row) {
    constexpr bool global = std::is_same_v<Model, field_model::FieldModel>;
    const std::string where = file_ + ", line " + std::to_string(row.line);
    if (!row.error.empty()) {
      report(file_ + ", " + row.error);
      return false;
    }
    // A row without a name is named by its line, as karven-date names a
    // sample.
    const std::string name = row.name.empty() ? "line " + std::to_string(row.line) : row.name;
    if (const auto seen = names_.find(name); seen != names_.end()) {
      report(where + ": a second site named " + quoted_name(name) + ", after the one at line " +
             std::to_string(seen->second) + "; not exported");
      return false;
    }
    // The first file's name tells the site's files: each follows from it.
    std::string files_name;
    if (request_.format != Format::csv) {
      const std::string pattern =
          request_.output.value_or(std::string(companion::NAME_PLACEHOLDER));
      files_name = companion::with_name(pattern, name);
      if (request_.format == Format::dat) files_name = dat_file_name(files_name);
      if (const auto taken = files_.find(files_name); taken != files_.end()) {
        report(where + ": the site " + quoted_name(name) + " would be written to " +
               console::shown_text(files_name) + ", as the site " +
               quoted_name(taken->second.second) + " of line " +
               std::to_string(taken->second.first) + " is; not exported");
        return false;
      }
    }
    curve::ReferenceCurve global_curve;
    try {
      if constexpr (global) {
        global_curve = model.curve(row.latitude, row.longitude, request_.years, request_.sigma);
        global_curve.source = companion::shared_source(model);
      } else {
        model.evaluate(row.latitude, row.longitude, site_curve_.epochs);
      }
    } catch (const std::domain_error& e) {
      // A site outside the regional model's region, or not on the Earth.
      report(where + ": " + e.what() + "; not exported");
      return false;
    }
    site_curve_.latitude = row.latitude;
    site_curve_.longitude = row.longitude;
    names_.emplace(name, row.line);
    if (!files_name.empty()) files_.emplace(files_name, std::pair{row.line, name});

    const curve::Curve curve = global ? curve::Curve{} : curve::curve_of_model(site_curve_);
    const CurveOrigin origin = model_origin(model_name_, curve);
    if (request_.format == Format::csv) {
      if constexpr (global) {
        std::string row_start = csv_field(name) + ",";
        console::append_shortest_decimal(row_start, row.latitude);
        row_start += ',';
        console::append_shortest_decimal(row_start, row.longitude);
        row_start += ',';
        curve::append_curve_table_rows(table_text_, row_start, global_curve);
      } else {
        for (const std::string& note :
             append_site_rows(table_text_, csv_field(name), curve, origin, table_name_)) {
          report(note);
        }
      }
      if (table_text_.size() >= TABLE_BUFFER_BYTES) {
        table_->write(table_text_);
        table_text_.clear();
      }
      ++exported_;
      return true;
    }
    Export result;
    if constexpr (global) {
      result = export_model_ref(global_curve, model_title_, files_name);
    } else {
      result = request_.format == Format::ref
                   ? export_ref(curve, origin, files_name)
                   : Export{{{files_name, curve_file_text(site_curve_)}}, {}, {}};
    }
    // Every file of the site is checked before any is written.
    for (const ExportFile& file : result.files) {
      try {
        guard_.check(file.name, "export");
      } catch (const companion::OutputError& e) {
        report(where + ": " + e.what() + "; not exported");
        return false;
      }
    }
    for (const std::string& note : result.notes) report(note);
    for (const std::string& failure : result.failures) report(failure);
    for (const ExportFile& file : result.files) {
      try {
        companion::write_output(guard_, file.name, "export", file.text);
      } catch (const companion::OutputError& e) {
        report(where + ": " + e.what());
        return false;
      }
      std::cout << "Exported to " << console::shown_text(file.name) << '\n';
    }
    ++exported_;
    return result.failures.empty();
  }

  std::size_t& rows_;  // the rows read so far
  const SitesRequest& request_;
  std::string program_;
  std::string file_;         // the sites file, as messages show it
  std::string model_name_;   // the coefficient file, as given
  std::string model_title_;  // a global model's name without folders
  companion::HeldSignals signals_;
  companion::OutputGuard guard_;
  companion::Progress progress_;
  std::string table_name_;
  std::unique_ptr<companion::OutputFile> table_;
  std::string table_text_;
  model::SiteCurve site_curve_;                               // of the site being exported
  std::map<std::string, int> names_;                          // each name's line
  std::map<std::string, std::pair<int, std::string>> files_;  // each site's first file
  std::size_t exported_ = 0;
  bool failed_ = false;
};

}  // namespace

std::string sites_table_name(const std::filesystem::path& sites) {
  std::filesystem::path table = sites;
  table.replace_extension();
  return table.string() + "_curves.csv";
}

int export_sites(const SitesRequest& request, std::string_view program) {
  std::size_t rows = 0;
  try {
    SitesExport run(request, program, rows);
    return run.run();
  } catch (const Interrupted&) {
    // The held signal has ended the program by now, once the temporary
    // file was gone; should it be ignored, say so.
    companion::report(program, "interrupted; nothing more was written");
  } catch (const std::bad_alloc&) {
    companion::report(program, "out of memory while exporting the curves of the sites of " +
                                   console::shown_text(request.sites.string()) + ", at site " +
                                   std::to_string(rows));
  } catch (const std::exception& e) {
    companion::report(program, e.what());
  }
  return companion::FAILED;
}

}  // namespace curve_export

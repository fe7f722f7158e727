#pragma once

#include "formhistory/StatsQuery.h"

#include <QDialog>

#include <functional>

class Grid;
class ImageList;
class QLabel;
class QPushButton;

/**
 * The statistics window: the last 90 runs of a horse, jockey, trainer,
 * trainer with the managed jockeys, or horse with the managed jockeys, and a
 * summary line by career, preparation, first and second up and track
 * condition.
 *
 * Openers set gStatsMode and the names of that mode (core/modShared.h) and
 * call FrmRaceStats::Open(), which loads the window, shows it modally and
 * saves its layout into the settings object when it closes. The placement
 * and column layout are kept per mode group (horse, jockey, trainer).
 */
class FrmRaceStats : public QDialog
{
    Q_OBJECT

public:
    explicit FrmRaceStats(QWidget* parent = nullptr);
    ~FrmRaceStats() override;

    /** Loads, shows modally and unloads the window for the request in the
     *  shared globals. A second call while one is still loading does nothing. */
    static void Open();

    /** Builds both grids, loads the statistics and restores the layout. */
    void Form_Load();
    /** Stores the layout of the mode's group in the settings object. */
    void Form_Unload();
    void cmdExit_Click();
    /** Header click: sorts the history on the column (column 4 on its bare
     *  finishing position), alternating the direction. */
    void grdStats_OnColumnClick(int col);
    /** Opens the race result of the grid's selected row. */
    void grdStats_OnDblClick(int row, int col);

    /** Reads the request, queries the form database and fills the grids. */
    void LoadRaceStats();
    void ClearStats();
    void AddStatResult(int category, int position);
    /** Writes a read reply into both grids and switches their redrawing on. */
    void ShowResult(const FormStats::Result& result);
    const FormStats::Counts& counts() const { return m_counts; }

    /** What a double-click opens: race date ("yyyy/mm/dd"), track, race
     *  number and horse. The race result window unless a test replaces it. */
    using ResultOpener =
        std::function<void(const QString& date, const QString& track, const QString& raceNo, const QString& horse)>;
    static void SetResultOpener(ResultOpener opener);

    Grid* grdStats = nullptr;
    Grid* GrdSummary = nullptr;
    QLabel* lblStatsDesc = nullptr;
    QPushButton* cmdExit = nullptr;
    ImageList* imlGrdRace = nullptr;

    /** The window's size before any stored placement is applied, in pixels. */
    static constexpr int kDesignWidth = 1180;
    static constexpr int kDesignHeight = 560;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupGrids();
    void restoreLayout();

    FormStats::Counts m_counts{};
    QString m_mode;
    bool m_loading = false;
};

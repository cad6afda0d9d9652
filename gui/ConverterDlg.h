// The converter dialog: the one window of Cor2Tavik.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Resource.h"
#include "cor2tavik/Conversion.h"
#include "dialogkit/Dialog.h"

class CConverterDlg : public dialogkit::Dialog {
public:
    enum { IDD = IDD_CONVERTER_DIALOG };

    explicit CConverterDlg(dialogkit::Dialog* pParent = nullptr);

    // The job OnOK runs on a worker thread, given the path in UTF-8 and where
    // to report its progress. Tests replace it to watch what the job is given.
    using Conversion =
        std::function<cor2tavik::ConversionReport(std::string_view path, const dialogkit::JobProgress& progress)>;
    Conversion m_convert;

    // Message handlers; public so that tests can send the messages.
    bool OnInitDialog() override;
    void OnBrowse();
    void OnOK() override;
    void OnSysCommand(unsigned nID, long lParam) override;
    void OnDropFiles(const std::vector<std::string>& paths) override;
    void OnPaint() override;
    dialogkit::Icon OnQueryDragIcon() const override { return m_hIcon; }

protected:
    // The path box's text as a path: without the blanks around it, nor the
    // double quotes of a path copied as "C:\data\model1.dat3".
    std::string ModelPath() const;

    dialogkit::Icon m_hIcon;
};

// Where OnPaint draws the icon of a minimized window: centred, with signed
// division truncating toward zero, so an icon wider than the window starts
// left of it by half the excess.
dialogkit::Point IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

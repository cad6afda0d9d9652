// The converter dialog: the one window of Cor2Tavik.
#pragma once

#include <functional>
#include <string_view>

#include <QIcon>
#include <QPoint>

#include "Resource.h"
#include "cor2tavik/Conversion.h"
#include "dialogkit/Dialog.h"

class CConverterDlg : public dialogkit::Dialog {
public:
    enum { IDD = IDD_CONVERTER_DIALOG };

    explicit CConverterDlg(QWidget* pParent = nullptr);

    // The job OnOK runs, given the path in the file system's encoding.
    // Tests replace it to watch what the job is given.
    using Conversion = std::function<cor2tavik::ConversionReport(std::string_view path)>;
    Conversion m_convert;

    // Message handlers; public so that tests can send the messages.
    bool OnInitDialog() override;
    void OnBrowse();
    void OnOK() override;
    void OnSysCommand(unsigned nID, long lParam) override;
    void OnPaint() override;
    QIcon OnQueryDragIcon() const { return m_hIcon; }

protected:
    QIcon m_hIcon;
};

// Where OnPaint draws the icon of a minimized window: centred, with signed
// division truncating toward zero, so an icon wider than the window starts
// left of it by half the excess.
QPoint IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

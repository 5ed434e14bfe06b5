// The configuration view: one row per configuration byte.
#pragma once

#include <string>
#include <vector>

#include "source/app/spcbase.h"

class clSpcCnfgDlg : public clSpcBaseDlg {
public:
    using clSpcBaseDlg::clSpcBaseDlg;
    int GetKind() const override { return vwCnfg; }
    const char* GetHelpContext() const override { return "config"; }
    // One row per configuration byte: "# 00" and "FFh".
    struct clRow {
        std::string label, value;
    };
    std::vector<clRow> Rows() const;
    // A row's value typed by the user ("3Ch", "0x3C", "3C"); false when it
    // is not a byte.
    bool SetValue(int row, const std::string& text);
};

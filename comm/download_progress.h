#pragma once
// The rules of the download progress window, without the window: the total
// the sender sets on the first reply and the positions it moves to after.
namespace comm {

class CDSPDlgDownloadProgress {
public:
    // The bar's range becomes 1..n (1..0 for a total of 0, where no
    // position is ever applied).
    void SetTotal(int n)
    {
        m_total = n;
    }
    // Moves the bar to n unless n is above the total.
    void SetPos(int n)
    {
        if (n <= m_total)
            m_pos = n;
    }
    int Total() const { return m_total; }
    int RangeLow() const { return 1; }
    int Pos() const { return m_pos; }

private:
    int m_total = 0;
    int m_pos = 0;
};

} // namespace comm

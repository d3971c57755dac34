// Window side of the trend chart and its cursor strips. (Filled in with the chart drawing.)
#include "app/form1.h"

void Form1::ResetTrendChart() {}
void Form1::DrawTrendChart(float, float, float, float) {}
void Form1::Picture1_MouseMove(int, int, double, double) {}
void Form1::ResetCursorChartX() {}
void Form1::DrawCursorChartX(float, float) {}
void Form1::Picture4_MouseDown(int, int, double, double) {}
void Form1::Picture4_MouseUp(int, int, double, double) {}
void Form1::Picture4_MouseMove(int, int, double, double) {}
void Form1::Text5_KeyDown(int, int) {}
void Form1::Text6_KeyDown(int, int) {}
void Form1::ResetCursorChartY() {}
void Form1::DrawCursorChartY(float, float) {}
void Form1::Picture3_MouseDown(int, int, double, double) {}
void Form1::Picture3_MouseUp(int, int, double, double) {}
void Form1::Picture3_MouseMove(int, int, double, double) {}
void Form1::Text7_KeyDown(int, int) {}
void Form1::Text8_KeyDown(int, int) {}

// Window side of the realtime readings and alarms. (Filled in with the realtime decoder.)
#include "app/form1.h"

void Form1::DecodeRealtimeReply() {}
void Form1::CheckResistanceAlarm(float) {}
void Form1::CheckCurrentAlarm(float, int, const QString &) {}
void Form1::Timer6_Timer() {}
void Form1::Timer7_Timer() {}
void Form1::Timer8_Timer() {}
void Form1::Timer9_Timer() {}

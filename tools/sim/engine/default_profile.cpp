#include "engine/profile.h"

namespace sim {

// The built-in receiver. Profile files are merged onto this text, so every key that a profile
// may set appears here with its usual value.
const char* DefaultProfileText() {
    return R"json({
  "name": "default",
  "description": "Application-mode receiver with an internal radio, dated options and a non-empty error log",
  "product": "Orrick Receiver",
  "monitorProduct": "Vorin-MONITOR",
  "serial": "5213K40078",
  "powerOn": "application",
  "port": {
    "number": 1, "baud": 9600, "dataBits": 8, "stopBits": 1, "parity": "N", "mode": "NONE",
    "supportedBauds": [9600, 19200, 38400, 57600, 115200]
  },
  "identification": { "portStatus": true },
  "versions": { "software": "4.12", "boot": "3.05" },
  "radio": {
    "present": true, "model": "UHF-A", "version": "01.23", "passThrough": "ack",
    "config": {
      "fill": 255,
      "checksums": true,
      "dictionary": [
        { "id": 1, "type": 2, "value": 5 },
        { "id": 2, "type": 5, "value": 4500 },
        { "id": 3, "type": 7, "value": 450125000 },
        { "id": 4, "type": "0x28", "value": "CHANNEL1" },
        { "id": 100, "type": 6, "value": 1200 },
        { "id": 101, "type": 3, "value": 1 },
        { "id": 253, "type": 3, "value": 3 },
        { "id": 0, "type": "0xFF" }
      ]
    }
  },
  "flags": { "bootFlags": 0 },
  "infoBlock": {
    "byte0": 1,
    "byte1": 0,
    "deviceName": "Vorin R10",
    "aux1": "ASSY 60125-10",
    "hardware": { "major": 2, "minor": 1 },
    "firmware": { "month": 3, "year": 2014 },
    "word155": "0x0102",
    "toggles": [
      { "bit": 0, "note": "CMR Inputs" },
      { "bit": 1, "note": "CMR Outputs" },
      { "bit": 2, "note": "RTCM Inputs" },
      { "bit": 3, "note": "RTCM Outputs", "from": "2014-03-05", "to": "2015-03-05" },
      { "bit": 7, "note": "Binary Outputs" },
      { "bit": 9, "note": "10 Hz Measurements, internal: never reported" },
      { "bit": 11, "note": "Data Logging", "from": "2014-01-01", "to": "2014-12-31" },
      { "bit": 12, "note": "Guidance", "from": "2014-06-01", "to": "2016-06-01" },
      { "bit": 14, "note": "Event Marker, expired", "enabled": false, "from": "2013-01-01", "to": "2013-06-30" },
      { "bit": 18, "note": "Bluetooth" },
      { "bit": 22, "note": "UHF Transmit", "from": "2014-03-05", "to": "2019-03-05" },
      { "bit": 29, "note": "L5" },
      { "bit": 32, "note": "Enable GLONASS" },
      { "bit": 46, "note": "Disable USB, never reported" },
      { "bit": 52, "note": "Enable BeiDou" },
      { "bit": 55, "note": "Enable Galileo" }
    ],
    "values": {
      "rtkRangeLimit": 10000,
      "geoFence": 1500,
      "kestrix": 2,
      "receiverId": 0,
      "extendedReceiverId": 76,
      "dataRate": 4,
      "logMemoryLimit": 223,
      "brand": 0,
      "qsvStart": "2014-03-05",
      "qsvEnd": "2015-03-05",
      "pendleEnd": "2113-01-01"
    }
  },
  "errorLog": {
    "layout": 3, "byteOrder": "big", "longRecords": true, "window": "auto", "fill": 0,
    "entries": [
      { "status": "valid", "errorNumber": "0x70085000", "id": 3, "vpc": "0x12", "pc": "0x0040A1B4",
        "dataAddress": "0x00000412", "rr1": 1, "rr2": "0x0000002A", "softwareVersion": 412,
        "softwareYear": 2014, "softwareDate": [3, 5], "timeOfWeekMs": 345600000, "gpsWeek": 1800,
        "upTime": 5321, "stackPointer": "0x0007FF00", "trace": ["0x00401000", "0x00402000"],
        "userData": "01 02 03 04" },
      { "status": "valid", "errorNumber": "0x0A010203", "id": 7, "vpc": "0x01", "pc": "0x00411230",
        "dataAddress": "0x20001000", "rr1": 2, "rr2": 0, "softwareVersion": 412,
        "softwareYear": 2014, "softwareDate": [3, 5], "timeOfWeekMs": 86399000, "gpsWeek": 1801,
        "upTime": 120, "stackPointer": "0x0007FE80" },
      { "status": "deleted", "errorNumber": "0x12345678", "id": 1, "vpc": 0, "pc": "0x00400010",
        "rr1": 0, "softwareVersion": 410, "softwareYear": 2013, "softwareDate": [11, 20],
        "timeOfWeekMs": 1000, "gpsWeek": 1750 },
      { "status": "valid", "errorNumber": "0x0000BEEF", "id": 2, "vpc": "0x7F", "pc": "0x00433334",
        "dataAddress": "0x00000000", "rr1": 3, "rr2": 1, "softwareVersion": 412,
        "softwareYear": 2014, "softwareDate": [3, 5], "timeOfWeekMs": 604799000, "gpsWeek": 1802,
        "upTime": 99999, "stackPointer": "0x0007FD00",
        "trace": ["0x00400100", "0x00400200", "0x00400300"], "userData": "DE AD BE EF 00 11" }
    ]
  },
  "flash": { "base": "0x02400000", "secondBase": "0x02800000", "chip": "Tamsel 2", "hardwareFlag": 0 },
  "gpsTime": { "utcOffset": 18, "week": 1800, "secondsOfWeek": 345600 },
  "delays": { "replyMs": 20, "bootToMonitorMs": 10000, "bootToApplicationMs": 6000, "radioCommitMs": 12000,
              "logClearMs": 0, "usbReturnMs": 4000 },
  "faults": {
    "silent": false, "noise": "", "corruptBeforeGood": false, "refuseBaud": false,
    "noHardwareInfo": false, "noFlashInfo": false, "neverMonitor": false, "radioWriteFails": false,
    "clearAnswer": "ack",
    "eraseUnanswered": false, "eraseRefused": false, "dropsToMonitorAfter": 0,
    "usbGoneAfter": 0,
    "requests": []
  }
})json";
}

}  // namespace sim

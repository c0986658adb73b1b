#!/usr/bin/env python3
"""The installer signed with a throwaway certificate this test makes, as a publisher signs a release.

    signed_installer_test.py <sign-program.sh> <VorlaneSetup.exe> <the player as built> <wine-env> <wine state> <work folder>

The signature verifies against the test's own authority, whether the certificate comes as PEM or
PKCS#12; taking it off again gives back the program as linked. The signed installer installs end
to end under Wine; a byte changed inside a carried program is refused by the integrity check
(exit 3), and a byte changed anywhere else breaks the signature. A time stamp comes from a
time-stamping service the test runs on the loopback address (openssl ts behind a small HTTP
server).
"""
import http.server
import os
import shutil
import subprocess
import sys
import threading
import unittest

SIGNER, INSTALLER, PLAYER, WINE_ENV, WINE_STATE, WORK = sys.argv[1:7]


def run(*command, env=None, check=True):
    return subprocess.run(command, env=env, check=check, capture_output=True, text=True)


def openssl(*arguments):
    run("openssl", *arguments)


def verification(program):
    ca = os.path.join(WORK, "ca.pem")
    return run("osslsigncode", "verify", "-CAfile", ca, "-TSA-CAfile", ca, "-in", program, check=False)


def verifies(program):
    return verification(program).returncode == 0


def read(path):
    with open(path, "rb") as file:
        return file.read()


TSA_CONFIG = """[tsa]
default_tsa = service
[service]
serial = {serial}
crypto_device = builtin
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha1
accuracy = secs:1
ess_cert_id_alg = sha256
"""


class TimeStamping(http.server.BaseHTTPRequestHandler):
    """An RFC 3161 service: each request body is a time-stamp query, each answer openssl's reply."""

    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        at = lambda name: os.path.join(WORK, name)
        with open(at("query.tsq"), "wb") as file:
            file.write(query)
        openssl("ts", "-reply", "-config", at("tsa.cnf"), "-queryfile", at("query.tsq"), "-signer", at("tsa.pem"),
                "-inkey", at("tsa.key"), "-chain", at("ca.pem"), "-out", at("reply.tsr"))
        reply = read(at("reply.tsr"))
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *arguments):
        pass


def changed_byte(source, target, offset):
    data = bytearray(read(source))
    data[offset] ^= 0x01
    with open(target, "wb") as file:
        file.write(data)


class SignedInstaller(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        at = lambda name: os.path.join(WORK, name)
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", at("ca.key"), "-out", at("ca.pem"),
                "-days", "2", "-subj", "/CN=Vorlane test authority",
                "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", at("publisher.key"), "-out", at("publisher.csr"),
                "-subj", "/CN=Vorlane test publisher")
        with open(at("publisher.ext"), "w") as ext:
            ext.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
        openssl("x509", "-req", "-in", at("publisher.csr"), "-CA", at("ca.pem"), "-CAkey", at("ca.key"),
                "-CAcreateserial", "-out", at("publisher.pem"), "-days", "2", "-extfile", at("publisher.ext"))
        with open(at("tsa.ext"), "w") as ext:
            ext.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                      "extendedKeyUsage=critical,timeStamping\n")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", at("tsa.key"), "-out", at("tsa.csr"),
                "-subj", "/CN=Vorlane test time stamps")
        openssl("x509", "-req", "-in", at("tsa.csr"), "-CA", at("ca.pem"), "-CAkey", at("ca.key"),
                "-CAcreateserial", "-out", at("tsa.pem"), "-days", "2", "-extfile", at("tsa.ext"))
        with open(at("tsa.cnf"), "w") as config:
            config.write(TSA_CONFIG.format(serial=at("tsa.serial")))
        with open(at("tsa.serial"), "w") as serial:
            serial.write("01\n")
        openssl("pkcs12", "-export", "-in", at("publisher.pem"), "-inkey", at("publisher.key"),
                "-out", at("publisher.p12"), "-passout", "pass:not a secret")
        cls.signed = at("VorlaneSetup.exe")
        shutil.copyfile(INSTALLER, cls.signed)
        cls.sign(cls.signed, {"SIGN_CERT": at("publisher.pem"), "SIGN_KEY": at("publisher.key")})

    @staticmethod
    def sign(program, variables):
        env = {k: v for k, v in os.environ.items() if not k.startswith("SIGN_")}
        env.update(variables)
        run(SIGNER, program, "Vorlane", env=env)

    def install(self, program, name):
        """Installs into the default root of a new prefix; the exit code and the run log."""
        log = os.path.join(WORK, name + ".log")
        code = subprocess.run([WINE_ENV, "fresh", os.path.join(WORK, "wine_" + name), WINE_STATE, program, "/S",
                               "/LOG=Z:" + log.replace("/", "\\")], capture_output=True).returncode
        return code, read(log).decode("utf-8") if os.path.exists(log) else ""

    def test_the_signature_verifies_and_comes_off_again(self):
        self.assertTrue(verifies(self.signed))
        self.assertGreater(os.path.getsize(self.signed), os.path.getsize(INSTALLER))
        # The password's form of the certificate signs alike.
        p12 = os.path.join(WORK, "from p12.exe")
        shutil.copyfile(INSTALLER, p12)
        self.sign(p12, {"SIGN_CERT": os.path.join(WORK, "publisher.p12"), "SIGN_PASSWORD": "not a secret"})
        self.assertTrue(verifies(p12))
        # A build without a certificate takes off what an earlier one made.
        self.sign(p12, {})
        self.assertTrue(read(p12) == read(INSTALLER))

    def test_a_time_stamp_from_the_named_service_is_part_of_the_signature(self):
        service = http.server.HTTPServer(("127.0.0.1", 0), TimeStamping)
        threading.Thread(target=service.serve_forever, daemon=True).start()
        stamped = os.path.join(WORK, "stamped.exe")
        shutil.copyfile(INSTALLER, stamped)
        try:
            self.sign(stamped, {"SIGN_CERT": os.path.join(WORK, "publisher.pem"),
                                "SIGN_KEY": os.path.join(WORK, "publisher.key"),
                                "SIGN_TIMESTAMP_URL": "http://127.0.0.1:%d/" % service.server_port})
        finally:
            service.shutdown()
        result = verification(stamped)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("The signature is timestamped", result.stdout)
        self.assertIn("Timestamp Server Signature verification: ok", result.stdout)
        self.assertNotIn("The signature is timestamped", verification(self.signed).stdout)

    def test_a_byte_changed_outside_the_carried_programs_breaks_the_signature(self):
        changed = os.path.join(WORK, "changed.exe")
        changed_byte(self.signed, changed, 0x1000)
        self.assertFalse(verifies(changed))

    def test_the_signed_installer_installs_and_refuses_a_changed_carried_program(self):
        code, log = self.install(self.signed, "signed")
        self.assertEqual(code, 0)
        self.assertTrue(log.endswith("verdict ok 0\r\n"), log)
        offset = read(self.signed).find(read(PLAYER)[0x1000:0x1400])
        self.assertGreater(offset, 0, "the player's code is carried as it was built")
        damaged = os.path.join(WORK, "damaged.exe")
        changed_byte(self.signed, damaged, offset + 0x200)
        code, log = self.install(damaged, "damaged")
        self.assertEqual(code, 3)
        self.assertNotIn("file ok", log)

if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
